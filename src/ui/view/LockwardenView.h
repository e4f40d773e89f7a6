#pragma once

#include "core/database/SiteInfo.h"
#include "ui/view/ShownSite.h"
#include "ui/view/SiteLinks.h"

#include <QWidget>

#include <array>
#include <memory>
#include <string>

class CAppState;
class CCmdUI;
class CCommandRouter;
class CLockwardenDoc;
class CPasswordFieldGuard;
class CSecretClipboard;
class CSiteCombo;
class CSiteListModel;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class CWndPrompts;

// The site form: a sorted drop-down list of the open database's sites and the fields of the one shown.
// Browsing shows a site read-only with its password masked; data entry (Add, Edit, or an empty
// database) makes the fields editable with the password in plain text. Keep hands the form to the
// document as a record, Cancel throws the entry away. The records belong to the document; the list
// follows the document's announcements and only refers to them. The form's other jobs are pieces of their
// own, each handed what it needs: the site list's drop-down (CSiteCombo), the password field's guard
// (CPasswordFieldGuard) and the addresses it opens (CSiteLinks); the template says which controls grow.
class CLockwardenView : public QWidget {
    Q_OBJECT
public:
    // A way of handing an address to the desktop (ShellOpen or ShellOpenFile); tests put recording ones in.
    using Launcher = CSiteLinks::Launcher;

    CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, CSecretClipboard& clipboard,
                    QWidget* pParent = nullptr);
    ~CLockwardenView() override;

    // The editing commands with their enabling rules, in the view's place of the routing order.
    void RegisterCommands(CCommandRouter& router);

    // Rebuilds the list from the document and shows the remembered site, or the empty form.
    void OnInitialUpdate();
    // The document is about to destroy its records: the list lets go of them and the form is left empty,
    // as the initial update of an empty document leaves it.
    void OnDeleteContents();

    // Internal operations, public for the commands that use a shown site.
    void ClearFields();
    void ShowSite(int i);
    void ShowSelected();
    void SetReadOnly(bool b);
    // Pull (true: controls to members) or push (false: members to controls) the four fields.
    void UpdateData(bool bSaveAndValidate);
    // Shows list entry i as if the user had picked it (Find's hits, a report's choice); only while browsing.
    void SelectSite(int i);
    // Shows the site of pSite as if the user had picked it; false when it is not listed or not browsing.
    bool ShowRecord(const CSiteInfo* pSite);

    // The editing operations behind the menu commands.
    void OnSiteAdd();
    void OnSiteEdit();
    void OnSiteRemove();
    void OnSiteKeep();
    void OnSiteCancel();
    // The form's buttons: their own mode check, then the operation.
    void OnButtonAdd();
    void OnButtonEdit();
    void OnButtonRemove();
    void OnButtonKeep();
    void OnButtonCancel();
    // The menu commands' enabling rules.
    void OnUpdateSiteAdd(CCmdUI& ui) const;
    void OnUpdateSiteEdit(CCmdUI& ui) const;
    void OnUpdateSiteRemove(CCmdUI& ui) const;
    void OnUpdateSiteKeep(CCmdUI& ui) const;
    void OnUpdateSiteCancel(CCmdUI& ui) const;
    void OnUpdateGoUrl(CCmdUI& ui) const;
    void OnUpdateEditCut(CCmdUI& ui) const;
    void OnUpdateEditPaste(CCmdUI& ui) const;
    void OnUpdateEditUndo(CCmdUI& ui) const;

    // The commands that use a stored site, the Edit menu's clipboard commands and the manual.
    void OnGoUrl();
    void OnButtonGoUrl();
    void OnSiteNotes();
    void OnDocumentation();
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnEditUndo();
    // Copy Password, Copy User Name and Copy URL: the shown site's field in one key, while browsing. The
    // password goes through the secret clipboard (hint, ten seconds).
    void OnEditCopyPassword();
    void OnEditCopyUser();
    void OnEditCopyUrl();
    // The password field left (CPasswordFieldGuard::OnKillFocus).
    void OnKillFocusPswd();

    // Handed on to CSiteLinks, which says what they do.
    static QString DocumentationPath(const QString& strExeDir);
    void SetLaunchers(Launcher shellOpen, Launcher shellOpenFile);
    void SetExeDir(const QString& strExeDir);

    // The list position of the first entry whose name holds strText ignoring case, searched from the
    // current site + nOffset in steps of nStep's sign; -1 when none or not browsing. pos receives where the
    // match begins in the entry's displayed name (in QString units, so that it can be selected there).
    int FindSite(const std::string& strText, int& pos, int nStep, int nOffset) const;
    // Searches with the remembered find text; shows the hit with the match selected, or beeps.
    void FindStep(int nStep, int nOffset);
    // The search buffer the finds made is needed no longer.
    void ReleaseFindBuffer();

    // The modes the commands, the buttons, the list and the frame ask about.
    bool IsBrowsing() const { return m_bReadOnly; }
    bool IsBrowsingWithSites() const { return m_bReadOnly && !IsListEmpty(); }
    bool IsDataEntry() const { return !m_bReadOnly; }
    // Data entry after Edit (Keep replaces the site shown), as against after Add or in an empty database.
    bool IsEditing() const { return m_bReplace; }
    bool IsListEmpty() const;
    // Data entry with anything typed in the form: a name or a field that Keep would store.
    bool HasTypedEntry() const;
    int SiteCount() const;
    // The list position of the site shown, -1 when none.
    int CurrentIndex() const { return m_nCurSite; }
    CSiteInfo* CurrentSite() const;
    // The site as the form shows it: the name of the current entry, and the fields as they stand (the
    // password masked while browsing). What a printed page shows.
    CSiteInfo ShownSite() const;
    QComboBox* SiteList() const { return m_comboSites; }

    // ---- the lock ----
    // Data entry with something to lose: a site being edited, or anything typed in the form.
    bool HasPendingEntry() const { return IsDataEntry() && (m_bReplace || HasTypedEntry()); }
    // Locked while the document is: the form follows the document's own lock (aboutToLock, lockChanged),
    // whoever locked it.
    bool IsLocked() const;

    // The site on show, to be found again after its records change under it (ShowShown).
    CShownSite Shown(CShownSite::ERecords records) const;
    // Shows that site again when it is listed; false when it is not.
    bool ShowShown(const CShownSite& shown);

Q_SIGNALS:
    // The mode, the list or the shown site changed: commands and the status bar refresh. Told once per
    // command, however many steps it takes.
    void stateChanged();
    // An initial update begins: the frame shrinks around the form.
    void resizeParentToFit();
    // The form's "Find" button: whoever runs Find Site follows it.
    void findRequested();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Commands and handlers told stateChanged by more than one step hold one of these: the signal goes out
    // once, when the outermost holder ends.
    class CStateBatch {
    public:
        explicit CStateBatch(CLockwardenView& view) : m_view(view) { ++m_view.m_nBatch; }
        ~CStateBatch();
        CStateBatch(const CStateBatch&) = delete;
        CStateBatch& operator=(const CStateBatch&) = delete;

    private:
        CLockwardenView& m_view;
    };
    void NotifyStateChanged();

    void CreateControls();
    void WireControls();
    void FollowDocument();
    void SelectItem(int i);
    std::string SiteNameText() const;
    void OnSelChangeSites(int i);

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CWndPrompts& m_prompts;
    CSecretClipboard& m_clipboard;
    CSiteListModel* m_pModel = nullptr;
    QComboBox* m_comboSites = nullptr;
    QLineEdit* m_editURL = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPswd = nullptr;
    QPlainTextEdit* m_editNotes = nullptr;
    std::string m_strNotes;
    std::string m_strPswd;
    std::string m_strURL;
    std::string m_strUser;
    bool m_bReadOnly = true;
    int m_nCurSite = -1;
    bool m_bReplace = false;
    int m_nBatch = 0;
    bool m_bStatePending = false;
    // The four fields' texts as the controls gave them back after the last push (URL, user, password,
    // notes): a field still showing its text was not changed, and its member keeps its bytes.
    std::array<QString, 4> m_strShown;

    // The document is about to lock: data entry is left as Cancel leaves it, its texts kept for Unlock; the
    // site shown is remembered, the list and every field emptied and the form greyed.
    void OnAboutToLock(bool bRecordsStay);
    // The document unlocked: the list from the document again with the site shown before, and data entry back
    // as it was left, its texts as typed.
    void OnLockChanged();
    // While locked: the site that was shown and the data entry that was left, all wiped at Unlock or when
    // another document is shown.
    struct CLockSnapshot {
        CShownSite shown;
        bool bEntry = false;
        bool bReplace = false;
        std::string strSite, strURL, strUser, strPswd, strNotes;
        ~CLockSnapshot();
    };
    std::unique_ptr<CLockSnapshot> m_pLocked;
    // Another document (or the same file opened anew) is shown: the snapshot of a lock before is over.
    void ForgetLockedState();

    // Declared last, so they go first: the controls outlive the view's members and must not reach them
    // through a piece as they go.
    std::unique_ptr<CSiteCombo> m_pSiteCombo;
    std::unique_ptr<CPasswordFieldGuard> m_pPasswordGuard;
    std::unique_ptr<CSiteLinks> m_pLinks;
};
