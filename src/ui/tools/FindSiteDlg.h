#pragma once

#include <QDialog>

#include <string>

class CAppState;
class CCommandRouter;
class CLockwardenView;
class CWndPrompts;
class QLineEdit;
class QShowEvent;

// "Find Site Containing...": finds a site whose name holds the text in the box, ignoring case, while the
// user types, forwards with "Next" and backwards with "Previous", wrapping around the list. Each hit
// becomes the view's current site at once. The text is the application's remembered find text: shown on
// opening, taken over at every search and when the dialog goes. Run it through CWndPrompts::DoModal; the
// view puts back the text and the site of before when it ends with anything but OK.
class CFindSiteDlg : public QDialog {
    Q_OBJECT
public:
    CFindSiteDlg(CLockwardenView* pView, CAppState& app);
    ~CFindSiteDlg() override;

    // Exchanges the member with the box: true reads the box, false shows the member.
    bool UpdateData(bool bSaveAndValidate = true);

    CLockwardenView* m_pView; // the view that opened the dialog; not owned
    std::string m_strFindText;

    // OK (the button, or Enter while no other push button has the focus): read the box, then close.
    void accept() override;

protected:
    void DoDataExchange(bool bSaveAndValidate);
    // Search as you type: after a control has taken a character, search from the current site.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    // Each time the dialog opens: to the main window's lower right corner, the remembered text in the
    // box, the focus on "OK".
    bool OnInitDialog();
    void showEvent(QShowEvent* pEvent) override;
    void OnNext();
    void OnPrevious();
    // The dialog goes: its text stays remembered (the view puts back the old one after Cancel).
    void OnDestroy();

private:
    // Reads the box and makes its text the remembered find text, so a search uses what the box shows.
    void TakeFindText();

    CAppState& m_app;
    QLineEdit* m_editFindText = nullptr;
    bool m_bOpened = false;
    bool m_bDispatching = false;
};

// Runs CFindSiteDlg over view through prompts.DoModal; returns how it ended (IDOK, IDCANCEL).
int RunFindSiteDlg(CWndPrompts& prompts, CLockwardenView& view, CAppState& app);

// Find Site, the menu command and the form's "Find" button: refused outside browsing with sites; else
// runs the find dialog over the view, and after anything but OK puts back the find text and the site of
// before.
class CFindSiteCommand : public QObject {
    Q_OBJECT
public:
    CFindSiteCommand(CLockwardenView& view, CAppState& app, CWndPrompts& prompts);

    // Registered in the view's place of the routing order, enabled while browsing with sites.
    void RegisterCommands(CCommandRouter& router);
    void OnEditFind();

private:
    CLockwardenView& m_view;
    CAppState& m_app;
    CWndPrompts& m_prompts;
};
