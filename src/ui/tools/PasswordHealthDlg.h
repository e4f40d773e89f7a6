#pragma once

#include "core/tools/BreachList.h"
#include "core/tools/PasswordHealth.h"

#include <QDialog>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAppState;
class CLockwardenDoc;
class CSiteInfo;
class CPrompts;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTreeView;

// "Password Health": the modeless report of the open database's passwords that should be changed, worst
// first (site, kind, detail). The quick findings (empty, reused, breached) show at once; the strength
// estimates follow in slices short enough that the window and the program stay responsive, and the list
// fills in as they come. The breach list's path is a setting, typed or chosen here. Choosing a row asks
// for its site to be shown in the form.
class CPasswordHealthDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordHealthDlg(CLockwardenDoc& doc, CAppState& app, CPrompts& prompts, QWidget* pParent = nullptr);
    ~CPasswordHealthDlg() override;

    // The findings shown, worst first; and whether the check is still going on.
    const std::vector<CFinding>& Findings() const { return m_findings; }
    const CHealthCheck* Check() const { return m_pCheck.get(); }
    bool IsChecking() const { return m_timer.isActive(); }
    // How long one slice of the check may hold the program, in milliseconds.
    int m_nSliceMilliseconds = 25;

public Q_SLOTS:
    // The document's sites may have changed: checks them again, unless they and the list are as they were
    // for the last check.
    void Refresh();
    // Checks again whatever changed: the list is opened afresh too ("Check Again").
    void CheckAgain();

Q_SIGNALS:
    // The user chose the row of this site. The site was one of the document's when the check began.
    void siteChosen(const CSiteInfo* pSite);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    class CFindingsModel;

    // A control and where the template put it; how it follows the window's size.
    struct CPlaced {
        QWidget* pControl;
        QRect rcBase;
        bool bWidens;  // grows with the width, else moves with it
        int nVertical; // 0 stays, 1 grows with the height, 2 moves with it
    };

    void OnStep();
    void OnChooseList();
    void OnListEdited();
    void OnRowChosen(const QModelIndex& index);
    void SetListPath(const QString& strPath);
    // Shows the findings anew, keeping the chosen row and the scroll position.
    void ShowFindings();
    void ShowStatus();
    // Places the controls for the window's size: the list takes what the status line does not need.
    void LayOutControls();
    // The Detail column as wide as its widest text, and at least as the room the list leaves it.
    void WidenForDetails(const std::vector<CFinding>& findings);
    void FitDetailColumn();
    std::uint64_t Fingerprint() const;

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CPrompts& m_prompts;
    std::unique_ptr<CHealthCheck> m_pCheck;
    CBreachList m_list;
    std::string m_strListProblem;
    std::vector<CFinding> m_findings;
    std::size_t m_nNextUnit = 0;
    std::uint64_t m_nFingerprint = 0;
    // The document's revision the check was started on.
    std::uint64_t m_nRevision = 0;
    bool m_bChecked = false;
    bool m_bShowing = false;
    QTimer m_timer;
    CFindingsModel* m_pModel = nullptr;
    QTreeView* m_pFindingsList = nullptr;
    QLineEdit* m_pListEdit = nullptr;
    QLabel* m_pStatus = nullptr;
    std::vector<CPlaced> m_placed;
    QSize m_baseSize;
    int m_nDetailWidth = 0;
};
