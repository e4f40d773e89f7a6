#pragma once

#include "core/tools/AutoTypeSequence.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class CAppState;
class CActiveX11Window;
class CCmdUI;
class CCommandRouter;
class CKeyTyper;
class CLockwardenDoc;
class CLockwardenView;
class CSiteInfo;
class CWndPrompts;
class QAction;
class QTimer;
class QMainWindow;

// Edit > Auto-Type, and the same asked for from outside (`lockwarden --auto-type`): types a site's sequence into
// another program's window. The command types the shown site into the window the user was in before: the main
// window minimizes and the typing waits until another window has the focus. From outside, the focused window's
// title names the site (X11); with none or several, or on Wayland where no title can be read, a picker asks,
// the sites auto-typed last first. A locked window asks for the password before anything else.
class CAutoTypeCommand : public QObject {
    Q_OBJECT
public:
    // How long typing waits for another window to take the focus (ms).
    static constexpr int kFocusWait = 2000;

    // The desktop's typer is made here: XTEST on X11, the desktop portal on Wayland (with the settings' restore
    // token), none elsewhere.
    CAutoTypeCommand(CLockwardenDoc& doc, CLockwardenView& view, CAppState& app, CWndPrompts& prompts,
                     CCommandRouter& router, QMainWindow& window, QObject* pParent = nullptr);
    ~CAutoTypeCommand() override;
    CAutoTypeCommand(const CAutoTypeCommand&) = delete;
    CAutoTypeCommand& operator=(const CAutoTypeCommand&) = delete;

    void RegisterCommands();
    // Another typer (tests), or none; whether it can type is asked again.
    void SetTyper(std::unique_ptr<CKeyTyper> pTyper);
    // Asks the typer whether it can type here; the command greys with the reason when not. Done once, soon after
    // the typer is set, as a portal's answer may take a moment.
    void CheckTyper();
    bool CanType() const { return m_bCanType; }
    const QString& WhyNot() const { return m_strWhyNot; }

    // Edit > Auto-Type: the shown site into the window the user was in before.
    void OnAutoType();
    void OnUpdateAutoType(CCmdUI& ui) const;
    // From outside: notes the focused window's title now, before a window of ours takes the focus.
    void NoteFocusedWindow();
    // Types for the window noted last (or focused now, when none was noted), its site found by the title or
    // chosen in the picker.
    void OnAutoTypeRequest();
    // The same for a window started for the request, once the desktop has activated it: it steps aside for the
    // window noted before it showed.
    void OnAutoTypeAfterStart();

    // Tests shorten the wait for the focus.
    void SetFocusWait(int nMilliseconds) { m_nFocusWait = nMilliseconds; }

Q_SIGNALS:
    // What the status bar should say: nothing typed, and why; or which site was typed.
    void note(const QString& strText);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Unlocks first when locked; false when it stays locked.
    bool UnlockFirst();
    // The site's sequence as steps, or a message box saying why it cannot be typed.
    bool StepsOf(const CSiteInfo& site, std::vector<AutoTypeSequence::CStep>& steps);
    // Types pSite once another window has the focus: the main window minimizes when it has it.
    void TypeIntoOtherWindow(const CSiteInfo& site, std::vector<AutoTypeSequence::CStep> steps);
    void WaitForOtherWindow();
    bool OursHasFocus() const;
    bool OtherWindowHasFocus() const;
    void TypeNow();
    // The sites of the file, in the order the picker offers them: those auto-typed last first, then list order;
    // only those of candidates when there are any.
    std::vector<std::size_t> PickerOrder(const std::vector<std::size_t>& candidates) const;
    // Asks which site; -1 when the picker was closed, or the sites changed or locked while it asked.
    int Pick(const std::vector<std::size_t>& order);
    void ShowWhyNot();

    CLockwardenDoc& m_doc;
    CLockwardenView& m_view;
    CAppState& m_app;
    CWndPrompts& m_prompts;
    CCommandRouter& m_router;
    QMainWindow& m_window;
    std::unique_ptr<CKeyTyper> m_pTyper;
    std::unique_ptr<CActiveX11Window> m_pActive; // on X11 only
    bool m_bCanType = false;
    bool m_bChecked = false;
    QString m_strWhyNot;
    std::string m_strNotedTitle;
    bool m_bTitleNoted = false;
    // The typing under way: what to type, for which site, and the wait for the focus.
    std::vector<AutoTypeSequence::CStep> m_steps;
    std::string m_strTypingSite;
    QTimer* m_pFocusPoll = nullptr;
    int m_nFocusWait = kFocusWait;
    int m_nWaited = 0;
};
