#include "ui/view/PasswordFieldGuard.h"

#include "core/platform/Text.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"

#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>

CPasswordFieldGuard::CPasswordFieldGuard(QLineEdit& field, CSecretClipboard& clipboard, CForm form)
    : m_field(field), m_clipboard(clipboard), m_form(std::move(form)) {
    m_field.installEventFilter(this);
    if (QClipboard* pClipboard = QGuiApplication::clipboard()) {
        connect(pClipboard, &QClipboard::dataChanged, this, &CPasswordFieldGuard::OnClipboardChanged);
        connect(pClipboard, &QClipboard::selectionChanged, this, &CPasswordFieldGuard::OnSelectionChanged);
    }
}

bool CPasswordFieldGuard::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A menu or pop-up opening keeps the field focused; the focus only leaves when it goes elsewhere.
    if (pWatched == &m_field && pEvent->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(pEvent)->reason() != Qt::PopupFocusReason)
        OnKillFocus();
    return QObject::eventFilter(pWatched, pEvent);
}

void CPasswordFieldGuard::OnKillFocus() {
    if (!m_form.browsing())
        return;
    // A site without a password shows an empty mask, which an empty or non-text clipboard would match:
    // there is nothing to copy then, and the clipboard stays as it is.
    const std::string& strShown = m_form.shownPassword();
    if (strShown.empty())
        return;
    std::string strClip;
    GetClipboardText(strClip);
    if (strClip != strShown)
        return;
    if (const std::string* pStored = m_form.storedPassword())
        m_clipboard.Put(*pStored, true);
}

// Told while the copy is being made, before anyone else can ask for it: the plain copy is replaced by the
// same text with the hint and the timer, so no clipboard manager keeps it.
void CPasswordFieldGuard::OnClipboardChanged() {
    if (m_form.browsing() || !m_field.hasSelectedText())
        return;
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard->mimeData();
    // Not every desktop says who owns the clipboard; the field's selection landing there unmarked is ours.
    if (pData == nullptr || pData->hasFormat(QStringLiteral("x-kde-passwordManagerHint")))
        return;
    const QString strSelected = m_field.selectedText();
    if (pData->text() == strSelected)
        m_clipboard.Put(FromDisplayText(strSelected), true);
}

// The selection the desktop pastes with the middle button is never cleared by anyone: a password must
// not be in it at all.
void CPasswordFieldGuard::OnSelectionChanged() {
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (m_form.browsing() || !pClipboard->ownsSelection() || !m_field.hasSelectedText())
        return;
    if (pClipboard->text(QClipboard::Selection) == m_field.selectedText())
        pClipboard->clear(QClipboard::Selection);
}
