#include "ui/app/MessageBar.h"

#include <QAccessible>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <iterator>

CMessageBar::CMessageBar(QWidget* pParent) : QFrame(pParent) {
    setObjectName(QStringLiteral("MessageBar"));
    setAccessibleName(QStringLiteral("Notices"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->setContentsMargins(6, 3, 6, 3);
    m_pLayout->setSpacing(2);
    hide();
}

void CMessageBar::Show(ESource source, const QString& strText, const QString& strAction,
                       std::function<void()> onAction) {
    // The same notice again (a file still gone at the next look) is no news to announce.
    if (const auto it = m_rows.find(source);
        it != m_rows.end() && it->second.pLabel->text() == strText &&
        (it->second.pButton != nullptr) == !strAction.isEmpty() &&
        (it->second.pButton == nullptr || it->second.pButton->text() == strAction)) {
        it->second.onAction = std::move(onAction);
        return;
    }
    Clear(source);
    CRow row;
    row.pRow = new QWidget(this);
    auto* pRowLayout = new QHBoxLayout(row.pRow);
    pRowLayout->setContentsMargins(0, 0, 0, 0);
    row.pLabel = new QLabel(strText, row.pRow);
    row.pLabel->setWordWrap(true);
    row.pLabel->setTextFormat(Qt::PlainText);
    row.pLabel->setAccessibleName(strText);
    row.pLabel->setForegroundRole(QPalette::ToolTipText);
    pRowLayout->addWidget(row.pLabel, 1);
    if (!strAction.isEmpty()) {
        row.pButton = new QPushButton(strAction, row.pRow);
        row.pButton->setAccessibleName(QString(strAction).remove(QLatin1Char('&')));
        row.pButton->setAutoDefault(false);
        row.pButton->setFocusPolicy(Qt::TabFocus);
        row.onAction = std::move(onAction);
        connect(row.pButton, &QPushButton::clicked, this, [this, source] {
            // The action may clear this very notice: it runs from a copy.
            const auto it = m_rows.find(source);
            if (it == m_rows.end() || !it->second.onAction)
                return;
            const std::function<void()> action = it->second.onAction;
            action();
        });
        pRowLayout->addWidget(row.pButton, 0, Qt::AlignVCenter);
    }
    const auto it = m_rows.emplace(source, row).first;
    m_pLayout->insertWidget(static_cast<int>(std::distance(m_rows.begin(), it)), row.pRow);
    ShowWhenSeen();
    QAccessibleEvent event(row.pLabel, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

void CMessageBar::Clear(ESource source) {
    const auto it = m_rows.find(source);
    if (it == m_rows.end())
        return;
    it->second.pRow->hide();
    it->second.pRow->deleteLater();
    m_rows.erase(it);
    if (m_rows.empty())
        hide();
}

void CMessageBar::ShowWhenSeen() {
    // The bar's room grows the window; a minimized window (auto-type's, say) would be brought back by that. It
    // shows once the window is.
    QWidget* pWindow = window();
    if (pWindow != this && pWindow->isMinimized()) {
        if (!m_bWatchingWindow) {
            pWindow->installEventFilter(this);
            m_bWatchingWindow = true;
        }
        return;
    }
    show();
}

bool CMessageBar::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::WindowStateChange && pWatched == window() && !window()->isMinimized() &&
        !m_rows.empty())
        show();
    return QFrame::eventFilter(pWatched, pEvent);
}

void CMessageBar::showEvent(QShowEvent* pEvent) {
    QFrame::showEvent(pEvent);
    Q_EMIT grown();
}

void CMessageBar::resizeEvent(QResizeEvent* pEvent) {
    QFrame::resizeEvent(pEvent);
    if (pEvent->size().height() > pEvent->oldSize().height())
        Q_EMIT grown();
}

QString CMessageBar::TextOf(ESource source) const {
    const auto it = m_rows.find(source);
    return it == m_rows.end() ? QString() : it->second.pLabel->text();
}

QPushButton* CMessageBar::ButtonOf(ESource source) const {
    const auto it = m_rows.find(source);
    return it == m_rows.end() ? nullptr : it->second.pButton;
}
