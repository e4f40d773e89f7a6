#include "ui/framework/CommandBars.h"

#include "ui/framework/CommandRouter.h"

#include <QAction>
#include <QIconEngine>
#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolBar>

#include <map>

namespace {

QKeySequence::StandardKey StandardKeyOf(EStandardKey key) {
    switch (key) {
    case EStandardKey::New:
        return QKeySequence::New;
    case EStandardKey::Open:
        return QKeySequence::Open;
    case EStandardKey::Save:
        return QKeySequence::Save;
    case EStandardKey::Print:
        return QKeySequence::Print;
    case EStandardKey::Undo:
        return QKeySequence::Undo;
    case EStandardKey::Cut:
        return QKeySequence::Cut;
    case EStandardKey::Copy:
        return QKeySequence::Copy;
    case EStandardKey::Paste:
        return QKeySequence::Paste;
    case EStandardKey::Find:
        return QKeySequence::Find;
    case EStandardKey::HelpContents:
        return QKeySequence::HelpContents;
    case EStandardKey::None:
        break;
    }
    return QKeySequence::UnknownKey;
}

// The desktop's keys for the command first, then the row's own where the desktop has not got them.
QList<QKeySequence> KeysOf(const CCommandItem& item) {
    QList<QKeySequence> keys;
    if (item.standardKey != EStandardKey::None)
        keys = QKeySequence::keyBindings(StandardKeyOf(item.standardKey));
    if (item.pszKeys != nullptr) {
        const QList<QKeySequence> own =
            QKeySequence::listFromString(QString::fromUtf8(item.pszKeys), QKeySequence::PortableText);
        for (const QKeySequence& key : own)
            if (!keys.contains(key))
                keys.push_back(key);
    }
    return keys;
}

// Small pictures for the toolbar when the desktop's icon theme has none: drawn, so they need no files.
QIcon DrawnIcon(EIconFallback picture) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (picture) {
    case EIconFallback::DrawnCut:
        p.drawEllipse(QRectF(2.5, 10.5, 4, 4));
        p.drawEllipse(QRectF(9.5, 10.5, 4, 4));
        p.drawLine(QPointF(5.5, 10.5), QPointF(11, 1.5));
        p.drawLine(QPointF(10.5, 10.5), QPointF(5, 1.5));
        break;
    case EIconFallback::DrawnCopy:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        break;
    case EIconFallback::DrawnPaste:
        p.setBrush(QColor(0xc8, 0x9b, 0x5a));
        p.drawRect(QRectF(2.5, 2.5, 10, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 6.5, 8, 8));
        p.setBrush(Qt::gray);
        p.drawRect(QRectF(5.5, 1.5, 4, 2));
        break;
    case EIconFallback::DrawnPrint:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(Qt::lightGray);
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    default:
        break;
    }
    return QIcon(pm);
}

QIcon FallbackIcon(const QStyle& style, EIconFallback fallback) {
    switch (fallback) {
    case EIconFallback::None:
        return {};
    case EIconFallback::StyleFile:
        return style.standardIcon(QStyle::SP_FileIcon);
    case EIconFallback::StyleOpen:
        return style.standardIcon(QStyle::SP_DialogOpenButton);
    case EIconFallback::StyleSave:
        return style.standardIcon(QStyle::SP_DialogSaveButton);
    case EIconFallback::StyleInformation:
        return style.standardIcon(QStyle::SP_MessageBoxInformation);
    default:
        return DrawnIcon(fallback);
    }
}

// An icon whose disabled look is its normal one in grey, faded, at whatever size and pixel ratio it is
// asked for. The style's own disabled look of a drawing in dark outlines (our drawn pictures, a theme's
// symbolic icons) is a dark grey hardly told from the enabled one.
class CFadedWhenDisabled : public QIconEngine {
public:
    explicit CFadedWhenDisabled(QIcon icon) : m_icon(std::move(icon)) {}

    QIconEngine* clone() const override { return new CFadedWhenDisabled(m_icon); }
    QString key() const override { return QStringLiteral("lockwarden-faded-when-disabled"); }
    bool isNull() override { return m_icon.isNull(); }
    QString iconName() override { return m_icon.name(); }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return m_icon.actualSize(size, Shown(mode), state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return m_icon.availableSizes(Shown(mode), state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal dScale) override {
        QPixmap pm = m_icon.pixmap(size, dScale, Shown(mode), state);
        if (mode != QIcon::Disabled || pm.isNull())
            return pm;
        QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int nGray = qGray(pLine[x]);
                pLine[x] = qRgba(nGray, nGray, nGray, qAlpha(pLine[x]) * 2 / 5);
            }
        }
        QPixmap faded = QPixmap::fromImage(image);
        faded.setDevicePixelRatio(pm.devicePixelRatio());
        return faded;
    }
    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dScale = pPainter->device() != nullptr ? pPainter->device()->devicePixelRatio() : 1.0;
        pPainter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, dScale));
    }

private:
    static QIcon::Mode Shown(QIcon::Mode mode) { return mode == QIcon::Disabled ? QIcon::Normal : mode; }

    QIcon m_icon;
};

QIcon IconOf(const QStyle& style, const CCommandItem& item) {
    const QIcon fallback = FallbackIcon(style, item.iconFallback);
    const QIcon icon =
        item.pszIconTheme == nullptr ? fallback : QIcon::fromTheme(QString::fromLatin1(item.pszIconTheme), fallback);
    return icon.isNull() ? icon : QIcon(new CFadedWhenDisabled(icon));
}

// The menus met so far by their place ("&File|Printing"), each made on the first entry that names it.
class CMenuPlaces {
public:
    explicit CMenuPlaces(QMenuBar& bar) : m_bar(bar) {}

    // The menu at strPlace; bSeparator puts a separator before a submenu made now.
    QMenu* At(const QString& strPlace, bool& bSeparator) {
        const auto it = m_menus.find(strPlace);
        if (it != m_menus.end())
            return it->second;
        const qsizetype nBar = strPlace.lastIndexOf(QLatin1Char('|'));
        QMenu* pMenu = nullptr;
        if (nBar < 0) {
            pMenu = m_bar.addMenu(strPlace);
        } else {
            bool bParentSeparator = false;
            QMenu* pParent = At(strPlace.left(nBar), bParentSeparator);
            if (bSeparator)
                pParent->addSeparator();
            bSeparator = false;
            pMenu = pParent->addMenu(strPlace.mid(nBar + 1));
        }
        m_menus.emplace(strPlace, pMenu);
        return pMenu;
    }

private:
    QMenuBar& m_bar;
    std::map<QString, QMenu*> m_menus;
};

} // namespace

void BuildCommandBars(std::span<const CCommandItem> items, CCommandRouter& router, QMainWindow& window,
                      QToolBar& toolBar) {
    CMenuPlaces menus(*window.menuBar());
    std::map<int, QAction*> buttons;
    for (const CCommandItem& item : items) {
        bool bSeparator = (item.nFlags & CMD_SEPARATOR_BEFORE) != 0;
        QMenu* pMenu = item.pszMenu != nullptr ? menus.At(QString::fromUtf8(item.pszMenu), bSeparator) : nullptr;
        if (pMenu != nullptr && bSeparator)
            pMenu->addSeparator();
        for (int i = 0; i < item.nCount; ++i) {
            QAction* pAction = router.Action(item.nID + i);
            if (item.pszCaption != nullptr)
                pAction->setText(QString::fromUtf8(item.pszCaption));
            pAction->setShortcuts(KeysOf(item));
            if ((item.nFlags & CMD_CHECKABLE) != 0)
                pAction->setCheckable(true);
            if (pMenu != nullptr)
                pMenu->addAction(pAction);
            else
                window.addAction(pAction);
            if (item.nToolbarPlace > 0) {
                pAction->setIcon(IconOf(*window.style(), item));
                buttons.emplace(item.nToolbarPlace, pAction);
            }
        }
    }
    int nPlace = 0;
    for (const auto& [nButtonPlace, pAction] : buttons) {
        if (nPlace > 0 && nButtonPlace > nPlace + 1)
            toolBar.addSeparator();
        toolBar.addAction(pAction);
        nPlace = nButtonPlace;
    }
    for (QMenu* pMenu : window.menuBar()->findChildren<QMenu*>())
        QObject::connect(pMenu, &QMenu::aboutToShow, &router, &CCommandRouter::UpdateCommands);
}

QMenu* MenuHolding(const QMainWindow& window, int nID) {
    for (QMenu* pMenu : window.menuBar()->findChildren<QMenu*>())
        for (const QAction* pAction : pMenu->actions())
            if (pAction->data().toInt() == nID && !pAction->isSeparator())
                return pMenu;
    return nullptr;
}
