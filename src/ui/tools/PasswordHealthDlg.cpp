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
#include <QStyle>
#include <QTreeView>

#include <algorithm>

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

// The findings as rows: site (with "--nth N" where names repeat), kind, detail; each cell's tooltip is its
// text.
class CPasswordHealthDlg::CFindingsModel : public CListViewModel {
public:
    CFindingsModel(const CPasswordHealthDlg& dlg, QStringList columns, QObject* pParent)
        : CListViewModel(std::move(columns), pParent), m_dlg(dlg) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_dlg.m_findings.size());
    }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if ((nRole != Qt::DisplayRole && nRole != Qt::ToolTipRole) || !index.isValid() || m_dlg.m_pCheck == nullptr)
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
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setModal(false);
    m_pListEdit = FindControl<QLineEdit>(this, IDC_BREACH_LIST);
    m_pStatus = FindControl<QLabel>(this, IDC_HEALTH_STATUS);
    m_pFindingsList = FindControl<QTreeView>(this, IDC_HEALTH_FINDINGS);
    m_pModel = new CFindingsModel(*this, CListViewModel::ColumnsOf(*m_pFindingsList), this);
    CListViewModel::Install(*m_pFindingsList, m_pModel);
    m_pFindingsList->header()->resizeSection(kColumnSite, MapDialogRect(*this, QRect(0, 0, 80, 0)).width());
    m_pFindingsList->header()->resizeSection(kColumnKind, MapDialogRect(*this, QRect(0, 0, 40, 0)).width());
    // The Detail column is as wide as its longest text, never cut short with "...": the list scrolls
    // sideways when the window is narrower.
    m_pFindingsList->header()->setStretchLastSection(false);
    m_pFindingsList->setTextElideMode(Qt::ElideNone);
    connect(m_pFindingsList->header(), &QHeaderView::sectionResized, this, [this](int nSection) {
        if (nSection != kColumnDetail)
            FitDetailColumn();
    });

    // The window may be made larger than the template: the list grows both ways, the path's box and the
    // status line widen, and the buttons keep to the right and the bottom edges.
    m_baseSize = size();
    setMinimumSize(m_baseSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setSizeGripEnabled(true);
    for (QWidget* pControl : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const int nID = ControlId(pControl);
        if (nID == 0 || pControl->isWindow())
            continue;
        const bool bButton = nID == IDC_BREACH_LIST_BROWSE || nID == IDC_HEALTH_CHECK_AGAIN;
        const int nVertical = nID == IDC_HEALTH_FINDINGS                                  ? 1
                              : nID == IDC_HEALTH_STATUS || nID == IDC_HEALTH_CHECK_AGAIN ? 2
                                                                                          : 0;
        m_placed.push_back({pControl, pControl->geometry(),
                            nID == IDC_BREACH_LIST || nID == IDC_HEALTH_FINDINGS || nID == IDC_HEALTH_STATUS,
                            nVertical});
        // Enter in the path's box applies the path: no button is pressed by Enter in this window.
        if (bButton)
            static_cast<QPushButton*>(pControl)->setAutoDefault(false);
    }

    m_pListEdit->setText(QFile::decodeName(QByteArray::fromStdString(m_app.m_strBreachList)));
    connect(m_pListEdit, &QLineEdit::editingFinished, this, &CPasswordHealthDlg::OnListEdited);
    connect(FindControl<QPushButton>(this, IDC_BREACH_LIST_BROWSE), &QPushButton::clicked, this,
            &CPasswordHealthDlg::OnChooseList);
    connect(FindControl<QPushButton>(this, IDC_HEALTH_CHECK_AGAIN), &QPushButton::clicked, this,
            &CPasswordHealthDlg::CheckAgain);
    connect(m_pFindingsList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnRowChosen(current); });
    connect(m_pFindingsList, &QTreeView::activated, this, &CPasswordHealthDlg::OnRowChosen);
    // Started again after each slice rather than repeating: a repeating timer of no interval may run twice
    // in one pass of the event loop, beside the list's own timers, with nothing handled in between.
    m_timer.setInterval(0);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CPasswordHealthDlg::OnStep);
    setWindowIcon(QApplication::windowIcon());
    CheckAgain();
}

CPasswordHealthDlg::~CPasswordHealthDlg() {
    // The list reads the findings while it is taken down, so it goes while they are still there.
    m_timer.stop();
    m_placed.clear();
    disconnect(m_pFindingsList->header(), nullptr, this, nullptr);
    delete m_pFindingsList;
    m_pFindingsList = nullptr;
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
    for (const auto& pSite : m_doc.Sites()) {
        const auto nAddress = reinterpret_cast<std::uintptr_t>(pSite.get());
        add(std::string_view(reinterpret_cast<const char*>(&nAddress), sizeof nAddress));
        for (const std::string* p :
             {&pSite->m_strSite, &pSite->m_strURL, &pSite->m_strUser, &pSite->m_strPswd, &pSite->m_strNotes})
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
    m_nRevision = m_doc.Revision();
    std::vector<const CSiteInfo*> sites;
    sites.reserve(m_doc.Sites().size());
    for (const auto& pSite : m_doc.Sites())
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
    m_pCheck->FindInvalidCodes(found);
    m_nDetailWidth = 0;
    WidenForDetails(found);
    m_pCheck->MergeWorstFirst(m_findings, std::move(found));
    ShowFindings();
    ShowStatus();
    m_timer.start();
}

void CPasswordHealthDlg::OnStep() {
    // Sites added, removed or replaced without a Refresh (in a nested event loop): the check starts over
    // rather than read records that may be gone. A site kept after Edit replaces its record and leaves the
    // count as it was, so the count cannot tell.
    if (m_doc.Revision() != m_nRevision) {
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
    if (m_nNextUnit < nUnits)
        m_timer.start();
    if (!found.empty()) {
        WidenForDetails(found);
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
    } else {
        std::size_t nPasswords = 0, nSites = 0;
        m_pCheck->CountChanges(m_findings, nPasswords, nSites);
        strProgress =
            nSites == 0 ? LoadString(IDS_HEALTH_NOTHING) : LoadString(IDS_HEALTH_DONE).arg(nPasswords).arg(nSites);
        const auto nCodes = std::count_if(m_findings.begin(), m_findings.end(),
                                          [](const CFinding& f) { return f.kind == EFinding::code; });
        if (nCodes != 0)
            strProgress += QLatin1Char('\n') + LoadString(IDS_HEALTH_CODES).arg(nCodes);
    }
    QString strList;
    if (!m_strListProblem.empty())
        strList = LoadString(IDS_HEALTH_LIST_FAILED).arg(QString::fromStdString(m_strListProblem));
    else if (!m_list.IsOpen())
        strList = LoadString(IDS_HEALTH_NO_LIST);
    const QString strStatus = strList.isEmpty() ? strProgress : strProgress + QLatin1Char('\n') + strList;
    // A path may break after any of its separators, so a long one wraps rather than runs off the edge.
    QString strShown = strStatus;
    strShown.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    if (strShown != m_pStatus->text()) {
        m_pStatus->setText(strShown);
        m_pStatus->setToolTip(strStatus);
        LayOutControls();
    }
}

void CPasswordHealthDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    LayOutControls();
}

void CPasswordHealthDlg::LayOutControls() {
    if (m_placed.empty())
        return;
    const int dx = std::max(0, width() - m_baseSize.width());
    const int dy = std::max(0, height() - m_baseSize.height());
    // The status line is as tall as its wrapped text: a long reason why the list failed shows whole, and
    // the findings give up the room.
    int nMore = 0;
    for (const CPlaced& c : m_placed)
        if (c.pControl == m_pStatus)
            nMore = std::max(0, m_pStatus->heightForWidth(c.rcBase.width() + dx) - c.rcBase.height());
    for (const CPlaced& c : m_placed) {
        QRect rc = c.rcBase;
        if (c.bWidens)
            rc.setWidth(rc.width() + dx);
        else
            rc.translate(dx, 0);
        if (c.nVertical == 1)
            rc.setHeight(std::max(rc.height() / 3, rc.height() + dy - nMore));
        else if (c.nVertical == 2)
            rc.translate(0, dy - (c.pControl == m_pStatus ? nMore : 0));
        if (c.pControl == m_pStatus)
            rc.setHeight(rc.height() + nMore);
        c.pControl->setGeometry(rc);
    }
    FitDetailColumn();
}

void CPasswordHealthDlg::WidenForDetails(const std::vector<CFinding>& findings) {
    // As the list's delegate measures a cell: the text and a margin on either side.
    const QFontMetrics metrics(m_pFindingsList->font());
    const int nMargin =
        2 * (m_pFindingsList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_pFindingsList) + 1) + 1;
    for (const CFinding& finding : findings)
        m_nDetailWidth =
            std::max(m_nDetailWidth, metrics.horizontalAdvance(ToDisplayText(finding.strDetail)) + nMargin);
    FitDetailColumn();
}

void CPasswordHealthDlg::FitDetailColumn() {
    QHeaderView* pHeader = m_pFindingsList->header();
    const int nRoom =
        m_pFindingsList->viewport()->width() - pHeader->sectionSize(kColumnSite) - pHeader->sectionSize(kColumnKind);
    const int nWidth = std::max(m_nDetailWidth, nRoom);
    if (pHeader->sectionSize(kColumnDetail) != nWidth)
        pHeader->resizeSection(kColumnDetail, nWidth);
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
