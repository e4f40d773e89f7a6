#include "ui/tools/ImportDlg.h"

#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/ListViewModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

namespace {

enum EColumn { kColumnSite, kColumnURL, kColumnUser, kColumnPswd, kColumnNotes };

} // namespace

// The sites to add as rows; a row's notes show on one line, their line breaks as " / ".
class CImportDlg::CRowsModel : public CListViewModel {
public:
    CRowsModel(const SiteImport::CImportPlan& plan, QStringList columns, QObject* pParent)
        : CListViewModel(std::move(columns), pParent), m_plan(plan) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_plan.merge.toAdd.size());
    }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if (!index.isValid() || (nRole != Qt::DisplayRole && nRole != Qt::ToolTipRole))
            return {};
        const CSiteInfo& site = *m_plan.merge.toAdd[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case kColumnSite:
            return ToDisplayText(site.m_strSite);
        case kColumnURL:
            return ToDisplayText(site.m_strURL);
        case kColumnUser:
            return ToDisplayText(site.m_strUser);
        case kColumnPswd:
            return QString::fromStdString(MaskPassword(site.m_strPswd));
        case kColumnNotes: {
            QString strNotes = ToDisplayText(site.m_strNotes);
            strNotes.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            if (nRole == Qt::DisplayRole)
                strNotes.replace(QLatin1Char('\n'), QLatin1String(" / "));
            return strNotes;
        }
        default:
            return {};
        }
    }

private:
    const SiteImport::CImportPlan& m_plan;
};

CImportDlg::CImportDlg(const SiteImport::CImportPlan& plan, const QString& strFileName, const QString& strFormat,
                       QWidget* pParent)
    : QDialog(pParent), m_plan(plan) {
    CreateDialogFromTemplate(IDD_IMPORT, *this);
    setWindowIcon(QApplication::windowIcon());
    FindControl<QLabel>(this, IDC_IMPORT_SOURCE)->setText(LoadString(IDS_IMPORT_SOURCE).arg(strFileName, strFormat));
    QString strCounts =
        LoadString(IDS_IMPORT_COUNTS).arg(plan.Added()).arg(plan.SkippedIdentical()).arg(plan.Conflicts());
    if (plan.bCanSkipNotLogins)
        strCounts += LoadString(IDS_IMPORT_NOT_LOGINS).arg(plan.nNotLogins);
    FindControl<QLabel>(this, IDC_IMPORT_COUNTS)->setText(strCounts);
    QStringList conflicts;
    for (const std::string& strName : plan.merge.conflicts)
        conflicts << ToDisplayText(strName);
    auto* pConflicts = FindControl<QLabel>(this, IDC_IMPORT_CONFLICTS);
    pConflicts->setText(
        conflicts.isEmpty() ? QString() : LoadString(IDS_IMPORT_CONFLICTS).arg(conflicts.join(QLatin1String(", "))));
    pConflicts->setWordWrap(true);

    m_pRows = FindControl<QTreeView>(this, IDC_IMPORT_ROWS);
    CListViewModel::Install(*m_pRows, new CRowsModel(plan, CListViewModel::ColumnsOf(*m_pRows), m_pRows));
    for (int i : {kColumnSite, kColumnURL, kColumnUser})
        m_pRows->header()->resizeSection(i, MapDialogRect(*this, QRect(0, 0, 70, 0)).width());
    m_pRows->header()->resizeSection(kColumnPswd, MapDialogRect(*this, QRect(0, 0, 40, 0)).width());
    FindControl<QWidget>(this, IDOK)->setFocus(Qt::OtherFocusReason);
}

QString CImportDlg::CellText(int nRow, int nColumn) const {
    return m_pRows->model()->index(nRow, nColumn).data().toString();
}
