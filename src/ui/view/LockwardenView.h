#pragma once

#include "core/database/SiteInfo.h"
#include "ui/platform/Shell.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class CAppState;
class CCmdUI;
class CCommandRouter;
class CLockwardenDoc;
class CSiteListModel;
class QComboBox;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QTimer;
class CWndPrompts;

// The site form: a sorted drop-down list of the open database's sites and the fields of the one shown.
// Browsing shows a site read-only with its password masked; data entry (Add, Edit, or an empty
// database) makes the fields editable with the password in plain text. Keep stores the form as a record,
// Cancel throws the entry away. The records belong to the document; the list only refers to them.
class CLockwardenView : public QWidget {
    Q_OBJECT
public:
    CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, QWidget* pParent = nullptr);
    // A password of ours still on the clipboard goes with the program.
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
    // Selects and shows this record, while browsing; nothing for one the list does not hold.
    void ShowRecord(const CSiteInfo* pSite);
    void SetReadOnly(bool b);
    static std::string MaskPassword(const std::string& strPswd) { return ::MaskPassword(strPswd); }
    // Pull (true: controls to members) or push (false: members to controls) the four fields.
    void UpdateData(bool bSaveAndValidate);

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
    void OnUpdateEditFind(CCmdUI& ui) const;
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
    // Leaving the password field while browsing with its whole mask on the clipboard puts the real
    // password there, for the clipboard timer's interval.
    void OnKillFocusPswd();
    void OnTimer(int nIDEvent);
    // Empties the clipboard if it still holds the password we put there; forgets that password.
    void ClearClipboardPassword();

    // The manual that came with the program: the installed copy, in the documentation folder beside the
    // executable's folder, else the built copy beside the executable; empty when there is none.
    static QString DocumentationPath(const QString& strExeDir);

    // How long the real password stays on the clipboard (ms); tests shorten it.
    void SetClipboardInterval(int nMilliseconds);
    QTimer* ClipboardTimer() const { return m_pClipTimer; }

    // How addresses reach the desktop: a URL through ShellOpen, the manual's file through ShellOpenFile.
    // Tests put recording ones here.
    std::function<void(const QString&, ShellDone)> m_shellOpen;
    std::function<void(const QString&, ShellDone)> m_shellOpenFile;
    // The executable's folder, where the manual is looked up from.
    QString m_strExeDir;

    static constexpr int kClipboardTimer = 1;
    // Find Site, the command and the form's "Find" button: refused outside browsing, else runs the find
    // dialog, and after anything but OK puts back the find text and the site of before.
    void OnEditFind();
    // The list position of the first entry whose name holds strText ignoring case, searched from
    // m_nCurSite + nOffset in steps of nStep's sign; -1 when none. pos receives where the match begins in
    // the entry's displayed name (in QString units, so that it can be selected there).
    int FindSite(const std::string& strText, int& pos, int nStep, int nOffset) const;
    // Searches with the remembered find text; shows the hit with the match selected, or beeps.
    void FindStep(int nStep, int nOffset);

    // The modes the commands, the buttons, the list and the frame ask about.
    // Printing (SitePrint.cpp). OnPrint draws the shown site's page from the members: four labelled lines,
    // an empty one, then the notes, on a device of nDpiX by nDpiY dots per inch.
    void OnPrint(QPainter& dc, int nDpiX, int nDpiY) const;
    // Print: the print dialog on the application's printer, then the page.
    void OnFilePrint();
    // The page on the application's printer as it stands, without a dialog; false when it did not go out.
    bool OnFilePrintDirect();
    // Print Preview: the page in a preview window, from which it can be printed.
    void OnFilePrintPreview();
    // The application's one printer, which Print Setup sets up and every print uses.
    std::function<QPrinter&()> m_getPrinter;

    bool IsBrowsing() const { return m_bReadOnly; }
    bool IsBrowsingWithSites() const { return m_bReadOnly && !IsListEmpty(); }
    bool IsDataEntry() const { return !m_bReadOnly; }
    bool IsListEmpty() const;
    int SiteCount() const;
    CSiteInfo* CurrentSite() const;
    QComboBox* SiteList() const { return m_comboSites; }

    // Asked to shrink the frame around the form at every initial update.
    std::function<void()> m_onResizeParentToFit;
    // Runs the find dialog over this view and returns how it ended (IDOK, IDCANCEL); the dialog lives
    // above the view, so whoever builds the window hands it in. Without one, Find ends as cancelled.
    std::function<int()> m_runFindSiteDlg;

    QComboBox* m_comboSites = nullptr;
    std::string m_strNotes;
    std::string m_strPswd;
    std::string m_strURL;
    std::string m_strUser;
    std::string m_strClipPswd;
    bool m_bReadOnly = true;
    int m_nCurSite = -1;
    bool m_bReplace = false;

Q_SIGNALS:
    // The mode, the list or the shown site changed: commands and the status bar refresh.
    void stateChanged();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void CreateControls();
    void WireControls();
    void SelectItem(int i);
    std::string SiteNameText() const;
    // The drop-down guard: may the list open now?
    bool MayDropDown() const;
    void OnDropDownRefused();
    void OnSelChangeSites(int i);
    void WireSiteCommands();
    void RegisterSiteCommands(CCommandRouter& router);
    void Launch(const std::function<void(const QString&, ShellDone)>& launch, const QString& strAddress);
    void RegisterPrintCommands(CCommandRouter& router);
    bool PrintPage(QPrinter& printer);

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CWndPrompts& m_prompts;
    CSiteListModel* m_pModel = nullptr;
    QLineEdit* m_editURL = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPswd = nullptr;
    QPlainTextEdit* m_editNotes = nullptr;
    bool m_bRefusalPosted = false;
    QTimer* m_pClipTimer = nullptr;
    // The four fields' texts as the controls gave them back after the last push (URL, user, password,
    // notes): a field still showing its text was not changed, and its member keeps its bytes.
    std::array<QString, 4> m_strShown;
};
