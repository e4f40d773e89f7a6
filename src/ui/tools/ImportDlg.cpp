#include "ui/tools/ImportDlg.h"

#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/ListViewModel.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
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

    // Changes the plan the rows are of.
    template <typename Change> void Replace(const Change& change) {
        beginResetModel();
        change();
        endResetModel();
    }

private:
    const SiteImport::CImportPlan& m_plan;
};

CImportDlg::CImportDlg(const QString& strPath, const CSiteArray& mine, SiteImport::CImportPlan& plan, QWidget* pParent)
    : QDialog(pParent), m_strPath(strPath), m_mine(mine), m_plan(plan) {
    CreateDialogFromTemplate(IDD_IMPORT, *this);
    setWindowIcon(QApplication::windowIcon());
    FindControl<QLabel>(this, IDC_IMPORT_CONFLICTS)->setWordWrap(true);

    m_pFormat = FindControl<QComboBox>(this, IDC_IMPORT_FORMAT);
    m_pFormat->addItem(LoadString(IDS_IMPORT_DETECT));
    for (const SiteImport::CFormat& format : SiteImport::Formats())
        m_pFormat->addItem(QString::fromUtf8(format.pszTitle));
    connect(m_pFormat, &QComboBox::currentIndexChanged, this, &CImportDlg::OnFormatChosen);

    m_pRows = FindControl<QTreeView>(this, IDC_IMPORT_ROWS);
    m_pModel = new CRowsModel(plan, CListViewModel::ColumnsOf(*m_pRows), m_pRows);
    CListViewModel::Install(*m_pRows, m_pModel);
    for (int i : {kColumnSite, kColumnURL, kColumnUser})
        m_pRows->header()->resizeSection(i, MapDialogRect(*this, QRect(0, 0, 70, 0)).width());
    m_pRows->header()->resizeSection(kColumnPswd, MapDialogRect(*this, QRect(0, 0, 40, 0)).width());
    ShowPlan();
    FindControl<QWidget>(this, IDOK)->setFocus(Qt::OtherFocusReason);
}

void CImportDlg::OnFormatChosen(int nIndex) {
    std::optional<SiteImport::EFormat> format;
    if (nIndex > 0)
        format = SiteImport::Formats()[static_cast<std::size_t>(nIndex - 1)].format;
    SiteImport::CImportPlan plan;
    QString strError;
    const bool bRead = SiteImport::PlanFile(m_strPath, format, m_mine, plan, strError);
    m_pModel->Replace([&] { m_plan = std::move(plan); });
    if (bRead)
        ShowPlan();
    else
        ShowFault(format ? m_pFormat->currentText() : QString(), strError);
}

void CImportDlg::ShowPlan() {
    const QString strFormat = QString::fromUtf8(SiteImport::FormatOf(m_plan.format).pszTitle);
    FindControl<QLabel>(this, IDC_IMPORT_SOURCE)->setText(LoadString(IDS_IMPORT_SOURCE).arg(FileName(), strFormat));
    QString strCounts =
        LoadString(IDS_IMPORT_COUNTS).arg(m_plan.Added()).arg(m_plan.SkippedIdentical()).arg(m_plan.Conflicts());
    if (m_plan.bCanSkipNotLogins)
        strCounts += LoadString(IDS_IMPORT_NOT_LOGINS).arg(m_plan.nNotLogins);
    FindControl<QLabel>(this, IDC_IMPORT_COUNTS)->setText(strCounts);
    QStringList conflicts;
    for (const std::string& strName : m_plan.merge.conflicts)
        conflicts << ToDisplayText(strName);
    FindControl<QLabel>(this, IDC_IMPORT_CONFLICTS)
        ->setText(conflicts.isEmpty() ? QString()
                                      : LoadString(IDS_IMPORT_CONFLICTS).arg(conflicts.join(QLatin1String(", "))));
    FindControl<QWidget>(this, IDOK)->setEnabled(true);
}

void CImportDlg::ShowFault(const QString& strFormat, const QString& strError) {
    // Detection that fails now (the file changed or went since it was read) says so as the first reading did.
    FindControl<QLabel>(this, IDC_IMPORT_SOURCE)
        ->setText(strFormat.isEmpty() ? QStringLiteral("%1: %2").arg(FileName(), strError)
                                      : LoadString(IDS_IMPORT_NOT_AS).arg(FileName(), strFormat, strError));
    FindControl<QLabel>(this, IDC_IMPORT_COUNTS)->clear();
    FindControl<QLabel>(this, IDC_IMPORT_CONFLICTS)->clear();
    // Nothing to add: OK would only add nothing and then offer to delete the export.
    FindControl<QWidget>(this, IDOK)->setEnabled(false);
}

QString CImportDlg::FileName() const {
    return QFileInfo(m_strPath).fileName();
}

QString CImportDlg::CellText(int nRow, int nColumn) const {
    return m_pRows->model()->index(nRow, nColumn).data().toString();
}

int CImportDlg::RowCount() const {
    return m_pRows->model()->rowCount();
}
