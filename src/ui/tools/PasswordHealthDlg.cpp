#include "ui/tools/PasswordHealthDlg.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/Prompts.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/ListViewModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <set>

namespace {

// Distinct passwords estimated between two looks at the clock.
constexpr std::size_t kUnitsBetweenClocks = 16;

enum EColumn { kColumnSite, kColumnKind, kColumnDetail };

// A range file of the downloader's folder: choosing one chooses its folder.
bool IsRangeFileName(const QString& strName) {
    static const QRegularExpression re(QStringLiteral("^[0-9A-F]{5}(\\.txt)?$"));
    return re.match(strName).hasMatch();
}

} // namespace

// The findings as rows: site (with "#N" where names repeat), kind, detail.
class CPasswordHealthDlg::CFindingsModel : public CListViewModel {
public:
    CFindingsModel(const CPasswordHealthDlg& dlg, QStringList columns, QObject* pParent)
        : CListViewModel(std::move(columns), pParent), m_dlg(dlg) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_dlg.m_findings.size());
    }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if (nRole != Qt::DisplayRole || !index.isValid() || m_dlg.m_pCheck == nullptr)
            return {};
        const CFinding& finding = m_dlg.m_findings[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case kColumnSite:
            return ToDisplayText(m_dlg.m_pCheck->NameOf(finding.nSite));
        case kColumnKind:
            return QString::fromLatin1(FindingName(finding.kind));
        case kColumnDetail:
            return ToDisplayText(finding.strDetail);
        default:
            return {};
        }
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const CPasswordHealthDlg& m_dlg;
};

CPasswordHealthDlg::CPasswordHealthDlg(CLockwardenDoc& doc, CAppState& app, CPrompts& prompts, QWidget* pParent)
    : QDialog(pParent), m_doc(doc), m_app(app), m_prompts(prompts) {
    CreateDialogFromTemplate(IDD_PASSWORD_HEALTH, *this);
    // A tool window of its own beside the main window, which stays usable.
    setWindowFlag(Qt::Window);
    setModal(false);
    m_pListEdit = FindControl<QLineEdit>(this, IDC_BREACH_LIST);
    m_pStatus = FindControl<QLabel>(this, IDC_HEALTH_STATUS);
    m_pFindingsList = FindControl<QTreeView>(this, IDC_HEALTH_FINDINGS);
    m_pModel = new CFindingsModel(*this, CListViewModel::ColumnsOf(*m_pFindingsList), this);
    CListViewModel::Install(*m_pFindingsList, m_pModel);
    m_pFindingsList->header()->resizeSection(kColumnSite, MapDialogRect(*this, QRect(0, 0, 80, 0)).width());
    m_pFindingsList->header()->resizeSection(kColumnKind, MapDialogRect(*this, QRect(0, 0, 40, 0)).width());

    m_pListEdit->setText(QFile::decodeName(QByteArray::fromStdString(m_app.m_strBreachList)));
    connect(m_pListEdit, &QLineEdit::editingFinished, this, &CPasswordHealthDlg::OnListEdited);
    connect(FindControl<QPushButton>(this, IDC_BREACH_LIST_BROWSE), &QPushButton::clicked, this,
            &CPasswordHealthDlg::OnChooseList);
    connect(FindControl<QPushButton>(this, IDC_HEALTH_CHECK_AGAIN), &QPushButton::clicked, this,
            &CPasswordHealthDlg::CheckAgain);
    connect(m_pFindingsList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnRowChosen(current); });
    connect(m_pFindingsList, &QTreeView::activated, this, &CPasswordHealthDlg::OnRowChosen);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CPasswordHealthDlg::OnStep);
    setWindowIcon(QApplication::windowIcon());
    CheckAgain();
}

CPasswordHealthDlg::~CPasswordHealthDlg() {
    // The list reads the findings while it is taken down, so it goes while they are still there.
    m_timer.stop();
    delete m_pFindingsList;
    // The path's box outlives this part of the dialog and says its editing finished as the focus goes:
    // that must not reach a handler of a dialog that is going.
    disconnect(m_pListEdit, nullptr, this, nullptr);
}

std::uint64_t CPasswordHealthDlg::Fingerprint() const {
    // FNV-1a over the records and the list's path: an edited record is a new object at the end, but it may
    // reuse the old one's address, so the fields count too.
    std::uint64_t n = 14695981039346656037ull;
    const auto add = [&n](std::string_view str) {
        for (const char c : str)
            n = (n ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        n = (n ^ 0xFF) * 1099511628211ull;
    };
    for (const auto& pSite : m_doc.m_sites) {
        const auto nAddress = reinterpret_cast<std::uintptr_t>(pSite.get());
        add(std::string_view(reinterpret_cast<const char*>(&nAddress), sizeof nAddress));
        for (const std::string* p : {&pSite->m_strSite, &pSite->m_strURL, &pSite->m_strUser, &pSite->m_strPswd})
            add(*p);
    }
    add(m_app.m_strBreachList);
    return n;
}

void CPasswordHealthDlg::Refresh() {
    if (m_bChecked && Fingerprint() == m_nFingerprint)
        return;
    CheckAgain();
}

void CPasswordHealthDlg::CheckAgain() {
    m_timer.stop();
    m_bChecked = true;
    m_nFingerprint = Fingerprint();
    std::vector<const CSiteInfo*> sites;
    sites.reserve(m_doc.m_sites.size());
    for (const auto& pSite : m_doc.m_sites)
        sites.push_back(pSite.get());
    m_findings.clear();
    m_pCheck = std::make_unique<CHealthCheck>(std::move(sites));
    m_nNextUnit = 0;

    m_strListProblem.clear();
    m_list.Close();
    std::vector<CFinding> found;
    const QString strList = QFile::decodeName(QByteArray::fromStdString(m_app.m_strBreachList));
    std::string strError;
    if (!strList.isEmpty() && m_list.Open(strList, strError) && !m_pCheck->FindBreached(m_list, found, strError))
        found.clear();
    m_strListProblem = strError;
    m_pCheck->FindEmptyAndReused(found);
    m_pCheck->MergeWorstFirst(m_findings, std::move(found));
    ShowFindings();
    ShowStatus();
    m_timer.start();
}

void CPasswordHealthDlg::OnStep() {
    // Sites added or removed without a Refresh (in a nested event loop): the check starts over rather than
    // read records that may be gone.
    if (m_doc.m_sites.size() != m_pCheck->Sites().size()) {
        CheckAgain();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    std::vector<CFinding> found;
    const std::size_t nUnits = m_pCheck->Units();
    // At least one piece a step, however short the slice.
    do {
        m_pCheck->FindWeak(m_nNextUnit, kUnitsBetweenClocks, found);
        m_nNextUnit = std::min(nUnits, m_nNextUnit + kUnitsBetweenClocks);
    } while (m_nNextUnit < nUnits && clock.elapsed() < m_nSliceMilliseconds);
    if (m_nNextUnit >= nUnits)
        m_timer.stop();
    if (!found.empty()) {
        m_pCheck->MergeWorstFirst(m_findings, std::move(found));
        ShowFindings();
    }
    ShowStatus();
}

void CPasswordHealthDlg::ShowFindings() {
    // The chosen row stays chosen where it moves, without being chosen again.
    std::size_t nSite = 0;
    EFinding kind = EFinding::empty;
    const QModelIndex current = m_pFindingsList->currentIndex();
    const bool bChosen = current.isValid() && static_cast<std::size_t>(current.row()) < m_findings.size();
    if (bChosen) {
        nSite = m_pFindingsList->property("chosenSite").toULongLong();
        kind = static_cast<EFinding>(m_pFindingsList->property("chosenKind").toInt());
    }
    const int nScroll = m_pFindingsList->verticalScrollBar()->value();
    m_bShowing = true;
    m_pModel->Reset();
    if (bChosen) {
        const auto it = std::find_if(m_findings.begin(), m_findings.end(),
                                     [&](const CFinding& f) { return f.nSite == nSite && f.kind == kind; });
        if (it != m_findings.end())
            m_pFindingsList->setCurrentIndex(m_pModel->index(static_cast<int>(it - m_findings.begin()), 0));
    }
    m_pFindingsList->verticalScrollBar()->setValue(nScroll);
    m_bShowing = false;
}

void CPasswordHealthDlg::ShowStatus() {
    QString strProgress;
    if (m_nNextUnit < m_pCheck->Units()) {
        strProgress = LoadString(IDS_HEALTH_CHECKING).arg(m_nNextUnit).arg(m_pCheck->Units());
    } else if (m_findings.empty()) {
        strProgress = LoadString(IDS_HEALTH_NOTHING);
    } else {
        std::set<std::size_t> sites;
        for (const CFinding& f : m_findings)
            sites.insert(f.nSite);
        strProgress = LoadString(IDS_HEALTH_DONE).arg(m_findings.size()).arg(sites.size());
    }
    QString strList;
    if (!m_strListProblem.empty())
        strList = LoadString(IDS_HEALTH_LIST_FAILED).arg(QString::fromStdString(m_strListProblem));
    else if (!m_list.IsOpen())
        strList = LoadString(IDS_HEALTH_NO_LIST);
    m_pStatus->setText(strList.isEmpty() ? strProgress : strProgress + QLatin1Char('\n') + strList);
}

void CPasswordHealthDlg::OnRowChosen(const QModelIndex& index) {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_findings.size())
        return;
    const CFinding& finding = m_findings[static_cast<std::size_t>(index.row())];
    m_pFindingsList->setProperty("chosenSite", static_cast<qulonglong>(finding.nSite));
    m_pFindingsList->setProperty("chosenKind", static_cast<int>(finding.kind));
    if (!m_bShowing)
        Q_EMIT siteChosen(m_pCheck->Sites()[finding.nSite]);
}

void CPasswordHealthDlg::OnChooseList() {
    QString strPath = m_pListEdit->text();
    if (!m_prompts.OpenFileDialog(strPath, LoadString(IDS_BREACH_LIST_FILTER)))
        return;
    const QFileInfo info(strPath);
    if (IsRangeFileName(info.fileName()))
        strPath = info.absolutePath();
    m_pListEdit->setText(QDir::toNativeSeparators(strPath));
    SetListPath(strPath);
}

void CPasswordHealthDlg::OnListEdited() {
    SetListPath(m_pListEdit->text().trimmed());
}

void CPasswordHealthDlg::SetListPath(const QString& strPath) {
    const std::string strSetting = QFile::encodeName(strPath).toStdString();
    if (strSetting == m_app.m_strBreachList)
        return;
    m_app.m_strBreachList = strSetting;
    CheckAgain();
}
