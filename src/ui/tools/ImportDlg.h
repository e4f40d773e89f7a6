#pragma once

#include "core/tools/SiteImport.h"

#include <QDialog>
#include <QString>

class QTreeView;

// "Import": what an import would do, before anything changes. The rows it would add (site, URL, user, the
// password masked, the notes as they would be stored), the counts (to add, skipped identical, conflicts,
// and the skipped items that are not logins where the format has them) and the names that will have two
// versions. OK lets the import go on; Cancel leaves everything as it is.
class CImportDlg : public QDialog {
    Q_OBJECT
public:
    CImportDlg(const SiteImport::CImportPlan& plan, const QString& strFileName, const QString& strFormat,
               QWidget* pParent = nullptr);

    // The text of a row's cell as the list shows it.
    QString CellText(int nRow, int nColumn) const;

private:
    class CRowsModel;

    const SiteImport::CImportPlan& m_plan;
    QTreeView* m_pRows = nullptr;
};
