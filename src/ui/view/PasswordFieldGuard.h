#pragma once

#include <QObject>

#include <functional>
#include <string>

class CSecretClipboard;
class QLineEdit;

// Keeps the password field's text off the plain clipboard and out of the selection. In data entry the field's
// own copies (Ctrl+C, Ctrl+X, its menu, a mouse selection) go out plain and are taken back as soon as they land:
// the clipboard's through the secret clipboard, the selection's gone. While browsing, leaving the field with its
// whole mask on the clipboard puts the real password there instead, for the secret clipboard's interval.
class CPasswordFieldGuard : public QObject {
    Q_OBJECT
public:
    // What the guard asks the form it guards: whether it is browsing (the field shows a mask) or in data entry,
    // the password as the form holds it for the field, and the shown site's own password (null: no site).
    struct CForm {
        std::function<bool()> browsing;
        std::function<const std::string&()> shownPassword;
        std::function<const std::string*()> storedPassword;
    };

    CPasswordFieldGuard(QLineEdit& field, CSecretClipboard& clipboard, CForm form);

    // The field lost the focus to something other than its own menu or pop-up.
    void OnKillFocus();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnClipboardChanged();
    void OnSelectionChanged();

    QLineEdit& m_field;
    CSecretClipboard& m_clipboard;
    CForm m_form;
};
