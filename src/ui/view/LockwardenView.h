#pragma once

#include "database/SiteInfo.h"

#include <QWidget>

#include <functional>
#include <string>

class CAppState;
class CCmdUI;
class CCommandRouter;
class CLockwardenDoc;
class CPrompts;
class CSiteListModel;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The site form: a sorted drop-down list of the open database's sites and the fields of the one shown.
// Browsing shows a site read-only with its password masked; data entry (Add, Edit, or an empty
// database) makes the fields editable with the password in plain text. Keep stores the form as a record,
// Cancel throws the entry away. The records belong to the document; the list only refers to them.
class CLockwardenView : public QWidget {
    Q_OBJECT
public:
    CLockwardenView(CLockwardenDoc& doc, CAppState& app, CPrompts& prompts, QWidget* pParent = nullptr);
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

    // The modes the commands, the buttons, the list and the frame ask about.
    bool IsBrowsing() const { return m_bReadOnly; }
    bool IsBrowsingWithSites() const { return m_bReadOnly && !IsListEmpty(); }
    bool IsDataEntry() const { return !m_bReadOnly; }
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

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CPrompts& m_prompts;
    CSiteListModel* m_pModel = nullptr;
    QLineEdit* m_editURL = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPswd = nullptr;
    QPlainTextEdit* m_editNotes = nullptr;
    bool m_bRefusalPosted = false;
};
