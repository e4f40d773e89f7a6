#pragma once

#include <QWidget>

#include <functional>
#include <string>

class CAppState;
class CCommandRouter;
class CLockwardenDoc;
class CSiteInfo;
class CSiteListModel;
class QComboBox;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class CWndPrompts;

// The site form: a sorted drop-down list of the open database's sites and the fields of the one shown.
// Browsing shows a site read-only with its password masked; data entry (Add, Edit, or an empty
// database) makes the fields editable with the password in plain text. Keep stores the form as a record,
// Cancel throws the entry away. The records belong to the document; the list only refers to them.
class CLockwardenView : public QWidget {
    Q_OBJECT
public:
    CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, QWidget* pParent = nullptr);
    ~CLockwardenView() override;

    // The editing commands with their enabling rules, in the view's place of the routing order.
    void RegisterCommands(CCommandRouter& router);

    // Rebuilds the list from the document and shows the remembered site, or the empty form.
    void OnInitialUpdate();

    // Internal operations, public for the commands that use a shown site.
    void ClearFields();
    void ShowSite(int i);
    void ShowSelected();
    void SetReadOnly(bool b);
    static std::string MaskPassword(const std::string& strPswd);
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
    bool IsListEmpty() const;
    int SiteCount() const;
    CSiteInfo* CurrentSite() const;
    QComboBox* SiteList() const { return m_comboSites; }

    // Asked to shrink the frame around the form at every initial update.
    std::function<void()> m_onResizeParentToFit;

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
};
