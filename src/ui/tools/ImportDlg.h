#pragma once

#include "core/tools/SiteImport.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QTreeView;

// "Import": what an import would do, before anything changes. The rows it would add (site, URL, user, the
// password masked, the notes as they would be stored), the counts (to add, skipped identical, conflicts,
// and the skipped items that are not logins where the format has them) and the names that will have two
// versions. The format list ("Detect automatically", then each format) reads the file again as the format
// chosen, as the companion's --format does; a file that format cannot read shows why, and OK waits for
// another choice. OK lets the import go on; Cancel leaves everything as it is.
class CImportDlg : public QDialog {
    Q_OBJECT
public:
    // plan is the file read with its format detected; a format chosen replaces it.
    CImportDlg(const QString& strPath, const CSiteArray& mine, SiteImport::CImportPlan& plan,
               QWidget* pParent = nullptr);

    // The text of a row's cell as the list shows it.
    QString CellText(int nRow, int nColumn) const;
    int RowCount() const;

private:
    class CRowsModel;

    void OnFormatChosen(int nIndex);
    void ShowPlan();
    // strFormat is empty when the format was to be detected.
    void ShowFault(const QString& strFormat, const QString& strError);
    QString FileName() const;

    const QString m_strPath;
    const CSiteArray& m_mine;
    SiteImport::CImportPlan& m_plan;
    CRowsModel* m_pModel = nullptr;
    QTreeView* m_pRows = nullptr;
    QComboBox* m_pFormat = nullptr;
};
