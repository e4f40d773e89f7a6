#include "ui/framework/DialogBuilder.h"

#include "core/resources/Resource.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyle>
#include <QTextDocument>
#include <QTextLayout>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// A number box takes only digits from the keyboard, as a number box does on the desktop the dialogs come
// from; pasted text goes in whole and is read by the dialog's own rules (" 12" and "+12" are numbers there).
class CDigitsOnlyTyping : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::KeyPress) {
            const auto* pKey = static_cast<QKeyEvent*>(pEvent);
            const QString strText = pKey->text();
            const bool bCommand = (pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
            if (!bCommand && !strText.isEmpty() && strText.front().isPrint() &&
                !(strText.front() >= QLatin1Char('0') && strText.front() <= QLatin1Char('9')))
                return true;
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

const char* const kControlIdProperty = "controlId";
const char* const kSortedProperty = "sorted";
const char* const kUnitXProperty = "dialogUnitX";
const char* const kUnitYProperty = "dialogUnitY";
constexpr int kTemplatePointSize = 12;

// Pixels per dialog unit. With Windows' units (base width / 4, base height / 8) every product is exact
// in a double, so rounding halves away from zero gives what Windows' MulDiv gives.
struct CUnits {
    double dX;
    double dY;

    static int Round(double d) { return static_cast<int>(d < 0 ? std::ceil(d - 0.5) : std::floor(d + 0.5)); }
    int X(int n) const { return Round(n * dX); }
    int Y(int n) const { return Round(n * dY); }
    QRect Map(const QRect& rc) const { return {X(rc.x()), Y(rc.y()), X(rc.width()), Y(rc.height())}; }
};

CUnits WindowsUnits(const QSize& baseUnits) {
    return {baseUnits.width() / 4.0, baseUnits.height() / 8.0};
}

QString Text(const char* psz) {
    return psz != nullptr ? QString::fromUtf8(psz) : QString();
}

// A label's text as the name of the field it labels: no mnemonic, no trailing colon.
QString LabelName(const char* pszLabel) {
    QString str = StripMnemonic(Text(pszLabel)).trimmed();
    while (str.endsWith(QLatin1Char(':')))
        str.chop(1);
    return str.trimmed();
}

bool IsInput(EControlKind kind) {
    return kind == EControlKind::Edit || kind == EControlKind::ComboBox;
}

// A multi-line edit without ES_WANTRETURN leaves Enter to the dialog, which presses its default button.
class CReturnToDialogFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::KeyPress) {
            auto* pKey = static_cast<QKeyEvent*>(pEvent);
            const bool bReturn = pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter;
            if (bReturn && !(pKey->modifiers() & Qt::ControlModifier)) {
                if (auto* pWidget = qobject_cast<QWidget*>(pWatched))
                    QCoreApplication::sendEvent(pWidget->window(), pEvent);
                return true;
            }
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

QWidget* CreateEdit(const CDialogItem& item, QWidget& parent) {
    const bool bCentre = (item.nStyle & ES_CENTER) != 0;
    const bool bReadOnly = (item.nStyle & ES_READONLY) != 0;
    if (item.nStyle & ES_MULTILINE) {
        auto* pEdit = new QPlainTextEdit(Text(item.pszText), &parent);
        pEdit->setFrameShape((item.nStyle & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        pEdit->setVerticalScrollBarPolicy((item.nStyle & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        // Without ES_AUTOHSCROLL a multi-line edit wraps its lines at the edge.
        pEdit->setLineWrapMode((item.nStyle & ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        pEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pEdit->setTabChangesFocus(true);
        pEdit->setReadOnly(bReadOnly);
        if (!(item.nStyle & ES_WANTRETURN))
            pEdit->installEventFilter(new CReturnToDialogFilter(pEdit));
        return pEdit;
    }
    auto* pEdit = new QLineEdit(Text(item.pszText), &parent);
    pEdit->setFrame((item.nStyle & WS_BORDER) != 0);
    // Fields hold texts of any length; a line edit would otherwise cut them at 32767 characters.
    // (A line edit always scrolls sideways, so ES_AUTOHSCROLL needs nothing more.)
    pEdit->setMaxLength(std::numeric_limits<int>::max());
    if (item.nStyle & ES_PASSWORD)
        pEdit->setEchoMode(QLineEdit::Password);
    if (bCentre)
        pEdit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    pEdit->setReadOnly(bReadOnly);
    if (item.nStyle & ES_NUMBER)
        pEdit->installEventFilter(new CDigitsOnlyTyping(pEdit));
    return pEdit;
}

QComboBox* CreateComboBox(const CDialogItem& item, QWidget& parent, const CUnits& units) {
    auto* pCombo = new QComboBox(&parent);
    const bool bEditable = (item.nStyle & CBS_TYPEMASK) != CBS_DROPDOWNLIST;
    pCombo->setEditable(bEditable);
    pCombo->setProperty(kSortedProperty, (item.nStyle & CBS_SORT) != 0);
    if (bEditable) {
        // Typed text is the user's: it is neither added to the list on Enter nor completed from it (an inline
        // completion would turn a typed "Ba" into "Bank" behind the user's back).
        pCombo->setInsertPolicy(QComboBox::NoInsert);
        pCombo->setCompleter(nullptr);
        pCombo->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
        pCombo->setEditText(Text(item.pszText));
    }
    // The template's height is that of the opened list; the closed box takes the height the font needs.
    const int nItemHeight = QFontMetrics(parent.font()).height() + 2;
    pCombo->setMaxVisibleItems(std::max(1, (units.Y(item.cy) - pCombo->sizeHint().height()) / nItemHeight));
    return pCombo;
}

// Keeps the controls a template anchors to the right or the bottom with those edges as the window grows
// beyond the template's size, from the places they had at that size; made smaller, they go back there.
class CAnchorLayout : public QObject {
public:
    struct CAnchored {
        QPointer<QWidget> pControl;
        QRect rcBase;
        unsigned nAnchor;
    };

    CAnchorLayout(QWidget& parent, const QSize& baseSize, std::vector<CAnchored> anchored)
        : QObject(&parent), m_baseSize(baseSize), m_anchored(std::move(anchored)) {
        parent.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched == parent() && pEvent->type() == QEvent::Resize)
            LayOut(static_cast<const QResizeEvent*>(pEvent)->size());
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    // One axis: where a control of this start and length goes when the window grows by d.
    static void Follow(int& nStart, int& nLength, int d, bool bLow, bool bHigh) {
        if (bLow && bHigh)
            nLength += d;
        else if (bHigh)
            nStart += d;
        else if (!bLow)
            nStart += d / 2;
    }

    void LayOut(const QSize& size) const {
        const int dx = std::max(0, size.width() - m_baseSize.width());
        const int dy = std::max(0, size.height() - m_baseSize.height());
        for (const CAnchored& c : m_anchored) {
            if (c.pControl == nullptr)
                continue;
            int x = c.rcBase.x(), cx = c.rcBase.width(), y = c.rcBase.y(), cy = c.rcBase.height();
            Follow(x, cx, dx, (c.nAnchor & ANCHOR_LEFT) != 0, (c.nAnchor & ANCHOR_RIGHT) != 0);
            Follow(y, cy, dy, (c.nAnchor & ANCHOR_TOP) != 0, (c.nAnchor & ANCHOR_BOTTOM) != 0);
            // A text box deepens by whole lines, as the builder made it.
            if (const auto* pText = qobject_cast<const QPlainTextEdit*>(c.pControl.data());
                pText != nullptr && cy != c.rcBase.height())
                cy = WholeLinesHeight(*pText, cy, false);
            c.pControl->setGeometry(x, y, cx, cy);
        }
    }

    QSize m_baseSize;
    std::vector<CAnchored> m_anchored;
};

// A report-style list: whole rows are chosen, one at a time; nothing is edited in place. It comes with an
// empty model holding the column names, which the owner may replace with a model of its own.
QTreeView* CreateListView(const CDialogItem& item, QWidget& parent) {
    auto* pList = new QTreeView(&parent);
    pList->setRootIsDecorated(false);
    pList->setItemsExpandable(false);
    pList->setUniformRowHeights(true);
    pList->setAllColumnsShowFocus(true);
    pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    pList->setSelectionMode(QAbstractItemView::SingleSelection);
    pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pList->setFrameShape((item.nStyle & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
    const QStringList columns = Text(item.pszText).split(QLatin1Char('|'));
    auto* pModel = new QStandardItemModel(0, static_cast<int>(columns.size()), pList);
    pModel->setHorizontalHeaderLabels(columns);
    pList->setModel(pModel);
    pList->header()->setStretchLastSection(true);
    return pList;
}

// A static of one line's height shows one line, cut at its edge; a taller one wraps at word breaks.
bool IsOneLine(int nHeight, const QFontMetrics& metrics) {
    return nHeight < 2 * metrics.height();
}

QWidget* CreateControl(const CDialogItem& item, QWidget& parent, const CUnits& units) {
    switch (item.kind) {
    case EControlKind::Static: {
        auto* pLabel = new QLabel(&parent);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setWordWrap(!IsOneLine(units.Y(item.cy), QFontMetrics(parent.font())));
        pLabel->setAlignment(((item.nStyle & SS_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        return pLabel;
    }
    case EControlKind::Edit:
        return CreateEdit(item, parent);
    case EControlKind::PushButton:
    case EControlKind::DefPushButton:
    case EControlKind::OwnerDrawButton: {
        auto* pButton = new QPushButton(Text(item.pszText), &parent);
        if (item.kind == EControlKind::DefPushButton)
            pButton->setDefault(true);
        pButton->setProperty("ownerDraw", item.kind == EControlKind::OwnerDrawButton);
        return pButton;
    }
    case EControlKind::CheckBox:
        return new QCheckBox(Text(item.pszText), &parent);
    case EControlKind::ComboBox:
        return CreateComboBox(item, parent, units);
    case EControlKind::ListView:
        return CreateListView(item, parent);
    }
    return new QWidget(&parent);
}

// How much wider than Windows' units the dialog must be for every caption of the template to fit its
// control. The templates were drawn for "MS Sans Serif"; desktop fonts set digits, blanks and marks wider
// against their letters, so a caption that just fitted there would be cut here.
double CaptionFitScale(const CDialogTemplate& tmpl, const QFont& font, const CUnits& units, const QStyle& style) {
    constexpr double kMaxScale = 2.0;
    const QFontMetrics metrics(font);
    const int nButtonPadding =
        style.pixelMetric(QStyle::PM_ButtonMargin) + 2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int nCheckPadding =
        style.pixelMetric(QStyle::PM_IndicatorWidth) + style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    double dScale = 1.0;
    for (const CDialogItem& item : tmpl.items) {
        const QString strText = StripMnemonic(Text(item.pszText));
        const int nWidth = units.X(item.cx);
        if (strText.isEmpty() || nWidth <= 0)
            continue;
        int nNeeded = 0;
        switch (item.kind) {
        case EControlKind::Static:
            if (!IsOneLine(units.Y(item.cy), metrics)) {
                // Widen until the wrapped lines fit the height.
                double d = dScale;
                while (d < kMaxScale && metrics.boundingRect(QRect(0, 0, CUnits::Round(nWidth * d), INT_MAX / 2),
                                                             Qt::TextWordWrap, strText)
                                                .height() > units.Y(item.cy))
                    d += 0.01;
                dScale = d;
                continue;
            }
            nNeeded = metrics.horizontalAdvance(strText);
            break;
        case EControlKind::PushButton:
        case EControlKind::DefPushButton:
        case EControlKind::OwnerDrawButton:
            nNeeded = metrics.horizontalAdvance(strText) + nButtonPadding;
            break;
        case EControlKind::CheckBox:
            nNeeded = metrics.horizontalAdvance(strText) + nCheckPadding;
            break;
        default:
            continue;
        }
        dScale = std::max(dScale, double(nNeeded) / nWidth);
    }
    return std::min(dScale, kMaxScale);
}

} // namespace

QFont DialogFont(const CDialogTemplate& tmpl) {
    // Every template asks for 12 points, the program's one dialog size; here that is the size the user gave
    // the desktop's UI font, so dialogs match the rest of the desktop and grow with the user's setting.
    QFont font = QApplication::font();
    const double dScale = tmpl.nPointSize / double(kTemplatePointSize);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * dScale);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * dScale));
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int nWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(nWidth / 26 + 1) / 2, metrics.height()};
}

int DialogUnitsToPixelsX(int nUnits, const QSize& baseUnits) {
    return WindowsUnits(baseUnits).X(nUnits);
}
int DialogUnitsToPixelsY(int nUnits, const QSize& baseUnits) {
    return WindowsUnits(baseUnits).Y(nUnits);
}
QRect MapDialogRect(const QRect& rcUnits, const QSize& baseUnits) {
    return WindowsUnits(baseUnits).Map(rcUnits);
}

QRect MapDialogRect(const QWidget& dialog, const QRect& rcUnits) {
    const CUnits units{dialog.property(kUnitXProperty).toDouble(), dialog.property(kUnitYProperty).toDouble()};
    return units.Map(rcUnits);
}

QSize CreateDialogControls(const CDialogTemplate& tmpl, QWidget& parent, const QFont& font) {
    parent.setFont(font);
    CUnits units = WindowsUnits(DialogBaseUnits(font));
    units.dX *= CaptionFitScale(tmpl, font, units, *parent.style());
    parent.setProperty(kUnitXProperty, units.dX);
    parent.setProperty(kUnitYProperty, units.dY);

    int nHeight = units.Y(tmpl.cy);
    std::vector<QWidget*> focusChain;
    std::vector<CAnchorLayout::CAnchored> anchored;
    QLabel* pPendingLabel = nullptr;
    const CDialogItem* pPrevious = nullptr;
    for (const CDialogItem& item : tmpl.items) {
        QWidget* pControl = CreateControl(item, parent, units);
        pControl->setProperty(kControlIdProperty, item.nID);
        pControl->setObjectName(item.nID == IDC_STATIC ? QStringLiteral("IDC_STATIC")
                                                       : QStringLiteral("IDC_%1").arg(item.nID));
        QRect rc = units.Map(QRect(item.x, item.y, item.cx, item.cy));
        if (item.kind == EControlKind::ComboBox)
            rc.setHeight(pControl->sizeHint().height());
        if (auto* pArea = qobject_cast<QAbstractScrollArea*>(pControl); pArea != nullptr) {
            // A field a line and a half high holds its frame and both scroll arrows only at some font sizes,
            // and a text box shows whole lines only at some: it is made tall enough for both, and the
            // dialog keeps the room it had below the field.
            int nWhole = rc.height();
            if (pArea->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
                nWhole = std::max(nWhole, 2 * pArea->frameWidth() +
                                              2 * pArea->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                                              pArea->verticalScrollBar()));
            if (const auto* pText = qobject_cast<QPlainTextEdit*>(pArea))
                nWhole = WholeLinesHeight(*pText, nWhole, true);
            if (rc.height() < nWhole) {
                const int nBelow = units.Y(tmpl.cy) - (rc.y() + rc.height());
                rc.setHeight(nWhole);
                nHeight = std::max(nHeight, rc.y() + rc.height() + std::max(0, nBelow));
            } else {
                rc.setHeight(nWhole);
            }
        }
        pControl->setGeometry(rc);
        if (item.nAnchor != ANCHOR_TOPLEFT)
            anchored.push_back({pControl, rc, item.nAnchor});

        QString strName = Text(item.pszAccessibleName);
        if (item.kind == EControlKind::Static) {
            // A label names the field that follows it; the text shows without its mnemonic marks unless a
            // buddy gives them meaning (set below once the field exists).
            auto* pLabel = static_cast<QLabel*>(pControl);
            pLabel->setText(StripMnemonic(Text(item.pszText)));
            pPendingLabel = pLabel;
        } else {
            if (strName.isEmpty()) {
                if (!IsInput(item.kind))
                    strName = StripMnemonic(Text(item.pszText));
                else if (pPrevious != nullptr && pPrevious->kind == EControlKind::Static)
                    strName = LabelName(pPrevious->pszText);
            }
            if (pPendingLabel != nullptr && IsInput(item.kind)) {
                pPendingLabel->setText(Text(pPrevious->pszText));
                pPendingLabel->setBuddy(pControl);
            }
            pPendingLabel = nullptr;
            pControl->setFocusPolicy((item.nStyle & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
            focusChain.push_back(pControl);
        }
        if (!strName.isEmpty()) {
            pControl->setAccessibleName(strName);
            if (auto* pCombo = qobject_cast<QComboBox*>(pControl); pCombo != nullptr && pCombo->lineEdit() != nullptr)
                pCombo->lineEdit()->setAccessibleName(strName);
        }
        pPrevious = &item;
    }
    for (std::size_t i = 1; i < focusChain.size(); ++i)
        QWidget::setTabOrder(focusChain[i - 1], focusChain[i]);
    // In a dialog the buttons numbered IDOK and IDCANCEL end it, as the framework's OK and Cancel do.
    if (auto* pDialog = qobject_cast<QDialog*>(&parent)) {
        if (auto* pOk = FindControl<QPushButton>(pDialog, IDOK))
            QObject::connect(pOk, &QPushButton::clicked, pDialog, &QDialog::accept);
        if (auto* pCancel = FindControl<QPushButton>(pDialog, IDCANCEL))
            QObject::connect(pCancel, &QPushButton::clicked, pDialog, &QDialog::reject);
    }
    const QSize size(units.X(tmpl.cx), nHeight);
    if (!anchored.empty())
        new CAnchorLayout(parent, size, std::move(anchored));
    return size;
}

QSize CreateDialogControls(const CDialogTemplate& tmpl, QWidget& parent) {
    return CreateDialogControls(tmpl, parent, DialogFont(tmpl));
}

void CreateDialogFromTemplate(int nID, QDialog& dlg) {
    const CDialogTemplate& tmpl = FindDialogTemplate(nID);
    const QSize size = CreateDialogControls(tmpl, dlg);
    dlg.setWindowTitle(Text(tmpl.pszCaption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (tmpl.nStyle & WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (tmpl.nStyle & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dlg.setWindowFlags(flags);
    dlg.setSizeGripEnabled(false);
    dlg.setFixedSize(size);
}

QSize CreateFormFromTemplate(int nID, QWidget& form) {
    const QSize size = CreateDialogControls(FindDialogTemplate(nID), form);
    form.setMinimumSize(size);
    return size;
}

int WholeLinesHeight(const QPlainTextEdit& edit, int nHeight, bool bUp) {
    // The first line starts below the document's margin; a line is as high as the text layout makes it,
    // which is not quite the font's line spacing.
    const int nChrome = 2 * edit.frameWidth();
    const double dMargin = edit.document()->documentMargin();
    QTextLayout layout(QStringLiteral("X"), edit.document()->defaultFont());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(1000);
    layout.endLayout();
    const double dLine = std::max(1.0, line.height() + std::min(0.0, std::ceil(line.leading())));
    // No margin below the last line: the margin's height of the next line would show there.
    const double dLines = (nHeight - nChrome - dMargin) / dLine;
    const int nLines = std::max(1, static_cast<int>(bUp ? std::ceil(dLines - 1e-6) : std::floor(dLines + 1e-6)));
    return nChrome + static_cast<int>(std::floor(dMargin + nLines * dLine + 1e-6));
}

int ControlId(const QObject* pObject) {
    return pObject != nullptr ? pObject->property(kControlIdProperty).toInt() : 0;
}

QString StripMnemonic(const QString& strText) {
    QString str;
    str.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size(); ++i) {
        if (strText[i] == QLatin1Char('&')) {
            if (++i == strText.size())
                break;
        }
        str.append(strText[i]);
    }
    return str;
}

int ComboAddString(QComboBox& combo, const QString& strItem, const QVariant& data) {
    int nIndex = combo.count();
    if (combo.property(kSortedProperty).toBool()) {
        // Upper bound: the first item that sorts after the new one.
        int nLow = 0;
        int nHigh = combo.count();
        while (nLow < nHigh) {
            const int nMid = nLow + (nHigh - nLow) / 2;
            if (QString::compare(combo.itemText(nMid), strItem, Qt::CaseInsensitive) <= 0)
                nLow = nMid + 1;
            else
                nHigh = nMid;
        }
        nIndex = nLow;
    }
    // Adding an item neither selects it nor changes what the edit part shows, and notifies nobody.
    const QSignalBlocker blocker(&combo);
    const int nCurrent = combo.currentIndex();
    const QString strEditText = combo.isEditable() ? combo.currentText() : QString();
    combo.insertItem(nIndex, strItem, data);
    if (nCurrent < 0) {
        combo.setCurrentIndex(-1);
        if (combo.isEditable())
            combo.setEditText(strEditText);
    }
    return nIndex;
}
