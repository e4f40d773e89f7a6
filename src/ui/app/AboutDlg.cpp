#include "ui/app/AboutDlg.h"

#include "core/framework/Prompts.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/resources/Version.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/Shell.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

CBitmapButton::CBitmapButton(QWidget* pParent) : QPushButton(pParent) {
    setFixedSize(sizeHint());
}

CBitmapButton* CBitmapButton::AutoLoad(QPushButton* pOld) {
    if (pOld == nullptr)
        return nullptr;
    auto* pButton = new CBitmapButton(pOld->parentWidget());
    pButton->move(pOld->pos());
    pButton->setObjectName(pOld->objectName());
    pButton->setProperty("controlId", pOld->property("controlId"));
    pButton->setText(pOld->text());
    pButton->setAccessibleName(pOld->accessibleName().isEmpty() ? QStringLiteral("email me!") : pOld->accessibleName());
    pButton->setToolTip(pOld->toolTip());
    pButton->setFocusPolicy(pOld->focusPolicy());
    // Just after the old button in the tab chain; deleting the old one then leaves it in its place.
    QWidget::setTabOrder(pOld, pButton);
    delete pOld;
    pButton->show();
    return pButton;
}

QPixmap CBitmapButton::Picture(bool bPressed, qreal dpr) {
    const QSize size(67, 25);
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = bPressed ? QColor(Qt::red) : QColor(Qt::black);
    p.setPen(QPen(ink, 1.2));

    // The envelope, flying right, with its speed lines trailing behind.
    const QRectF envelope(34.5, 1.5, 17, 10);
    p.drawRect(envelope);
    p.drawLine(envelope.topLeft(), QPointF(envelope.center().x(), envelope.center().y() + 1.5));
    p.drawLine(QPointF(envelope.center().x(), envelope.center().y() + 1.5), envelope.topRight());
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3.5 + i * 3;
        p.drawLine(QPointF(16.5 + i * 3, y), QPointF(31.5, y));
    }

    QFont font(QStringLiteral("Sans Serif"));
    font.setItalic(true);
    font.setPixelSize(9);
    p.setFont(font);
    p.drawText(QRectF(0, 12, size.width(), 12), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("email me!"));
    return pm;
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The pressed picture only while held down; focus and disabled show the up picture.
    p.drawPixmap(0, 0, Picture(isDown() && isEnabled(), devicePixelRatioF()));
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

CAboutDlg::CAboutDlg(CPrompts& prompts, QWidget* pParent) : QDialog(pParent), m_prompts(prompts) {
    m_shellOpen = [this](const QString& strUrl, ShellDone onDone) { ShellOpen(strUrl, this, std::move(onDone)); };
    CreateDialogFromTemplate(IDD_ABOUTBOX, *this);
    m_btnEmail = CBitmapButton::AutoLoad(FindControl<QPushButton>(this, IDC_EMAIL));
    if (m_btnEmail != nullptr) {
        connect(m_btnEmail, &QPushButton::clicked, this, &CAboutDlg::OnEmail);
        m_btnEmail->setAutoDefault(false);
        m_btnEmail->setFocus();
    }
    setWindowIcon(QApplication::windowIcon());
}

// The subject goes percent-encoded: a mail program may cut an unencoded link at its first blank.
QString CAboutDlg::MailLink() {
    const QByteArray subject = QUrl::toPercentEncoding(QStringLiteral("Concerning your program Lockwarden"));
    return QStringLiteral("mailto:" LOCKWARDEN_SUPPORT_ADDRESS "?subject=") + QString::fromLatin1(subject);
}

// The opener's answer comes when it has ended; the box stays open either way.
void CAboutDlg::OnEmail() {
    m_shellOpen(MailLink(), [this](bool bOpened) {
        if (!bOpened)
            m_prompts.MessageBox(LoadString(IDS_PROBLEM_SENDING_MAIL), MB_ICONSTOP | MB_OK);
    });
}
