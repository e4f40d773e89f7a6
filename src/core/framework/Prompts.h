#pragma once

#include <QString>

#include <string>

// Every message box, beep, modal prompt and file dialog goes through here, so each workflow can run
// headless with scripted answers and the exact texts asserted in order. The desktop implementation
// shows real dialogs; tests and the command-line companion supply their own.
class CPrompts {
public:
    virtual ~CPrompts() = default;

    // A modal message box with the application's title. nType combines MB_* buttons, icon and default
    // button; the result is the ID* of the button pressed (IDCANCEL or IDNO when closed).
    virtual int MessageBox(const QString& strText, unsigned nType) = 0;
    // The plain beep of a refusal without words.
    virtual void MessageBeep() = 0;
    // The file password prompt. The field starts with strPassword; on IDOK strPassword holds the entry
    // exactly as typed, on IDCANCEL it is left as it was.
    virtual int FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) = 0;
    // The same prompt captioned "Confirm File Password": the second entry of a new file password, which
    // the caller compares with the first. Where no caption can be shown, the plain prompt serves.
    virtual int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) {
        return FilePasswordPrompt(strPassword, strFileLabel);
    }
    // Around work that keeps the window from answering for a moment (deriving a sealed file's key): the
    // desktop shows the busy cursor and paints it before the work starts.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // The open and save file dialogs. strPath carries the proposed name in and the chosen path out;
    // false when the user cancelled. strFilter is like "Warden Files (*.lwd)", strDefExt like ".lwd".
    virtual bool OpenFileDialog(QString& strPath, const QString& strFilter) = 0;
    virtual bool SaveFileDialog(QString& strPath, const QString& strFilter, const QString& strDefExt) = 0;
};

// For the moments when no one can be asked (the session ends): every question is answered No or Cancel, no
// password is typed, no file is chosen, and nothing is shown.
class CUnattendedPrompts : public CPrompts {
public:
    int MessageBox(const QString& strText, unsigned nType) override;
    void MessageBeep() override {}
    int FilePasswordPrompt(std::string&, const QString&) override;
    bool OpenFileDialog(QString&, const QString&) override { return false; }
    bool SaveFileDialog(QString&, const QString&, const QString&) override { return false; }
};
