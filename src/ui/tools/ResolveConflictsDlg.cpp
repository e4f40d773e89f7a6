#include "ui/tools/ResolveConflictsDlg.h"

#include "core/database/LockwardenDoc.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/ListViewModel.h"
#include "ui/framework/WndPrompts.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <string>

namespace {

// The rows of fields: the label's ID, the left and right values' IDs, the label's text and the field.
struct CFieldRow {
    int nLabel;
    int nLeft;
    int nRight;
    const char* pszLabel;
    std::string CSiteInfo::*pField;
};
constexpr std::array kFieldRows = {
    CFieldRow{IDC_RESOLVE_SITE_LABEL, IDC_RESOLVE_LEFT_SITE, IDC_RESOLVE_RIGHT_SITE, "Site", &CSiteInfo::m_strSite},
    CFieldRow{IDC_RESOLVE_URL_LABEL, IDC_RESOLVE_LEFT_URL, IDC_RESOLVE_RIGHT_URL, "URL", &CSiteInfo::m_strURL},
    CFieldRow{IDC_RESOLVE_USER_LABEL, IDC_RESOLVE_LEFT_USER, IDC_RESOLVE_RIGHT_USER, "User", &CSiteInfo::m_strUser},
    CFieldRow{IDC_RESOLVE_PSWD_LABEL, IDC_RESOLVE_LEFT_PSWD, IDC_RESOLVE_RIGHT_PSWD, "Pswd", &CSiteInfo::m_strPswd},
    CFieldRow{IDC_RESOLVE_NOTES_LABEL, IDC_RESOLVE_LEFT_NOTES, IDC_RESOLVE_RIGHT_NOTES, "Notes",
              &CSiteInfo::m_strNotes},
};

// What a field that differs is marked with before its label: a sign, which neither colour nor the lack of
// it can hide.
const QString kDiffersMark = QStringLiteral("\u2260 ");

// A shown password is for the eyes only: no selection, so neither the clipboard nor the X11 selection can
// take it from here. Tab, Esc and Enter still reach the dialog, and a screen reader still reads the value.
class CReadOnlyForTheEyes : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        switch (pEvent->type()) {
        case QEvent::KeyPress: {
            const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
            return nKey != Qt::Key_Tab && nKey != Qt::Key_Backtab && nKey != Qt::Key_Escape && nKey != Qt::Key_Return &&
                   nKey != Qt::Key_Enter;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::ContextMenu:
            return true;
        default:
            return QObject::eventFilter(pWatched, pEvent);
        }
    }
};

// Enter on a button that is not the dialog's default presses it, as Space does.
class CEnterPressesFocused : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::KeyPress) {
            const auto* pKey = static_cast<QKeyEvent*>(pEvent);
            if ((pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) &&
                (pKey->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                static_cast<QPushButton*>(pWatched)->click();
                return true;
            }
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

void SetValue(QWidget* pValue, const QString& strText) {
    if (auto* pLine = qobject_cast<QLineEdit*>(pValue)) {
        pLine->setText(strText);
        pLine->setCursorPosition(0);
        // A long URL may differ only past the box's edge; the pointer reads it whole. Never a password.
        if (ControlId(pLine) != IDC_RESOLVE_LEFT_PSWD && ControlId(pLine) != IDC_RESOLVE_RIGHT_PSWD)
            pLine->setToolTip(strText);
    } else if (auto* pText = qobject_cast<QPlainTextEdit*>(pValue)) {
        pText->setPlainText(strText);
    }
}

QString NotesText(const std::string& strNotes) {
    QString str = ToDisplayText(strNotes);
    str.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return str;
}

void SetBold(QWidget* pWidget, bool bBold) {
    QFont font = pWidget->font();
    font.setBold(bBold);
    pWidget->setFont(font);
}

} // namespace

class CResolveConflictsDlg::CPairsModel : public CListViewModel {
public:
    CPairsModel(const CResolveConflictsDlg& dlg, QStringList columns, QObject* pParent)
        : CListViewModel(std::move(columns), pParent), m_dlg(dlg) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_dlg.m_rows.size());
    }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if (!index.isValid() || (nRole != Qt::DisplayRole && nRole != Qt::ToolTipRole))
            return {};
        const CRow& row = m_dlg.m_rows[static_cast<std::size_t>(index.row())];
        const CSiteConflict& conflict = m_dlg.m_conflicts[row.nConflict];
        return LoadString(IDS_RESOLVE_PAIR)
            .arg(ToDisplayText(conflict.versions.front().front()->m_strSite))
            .arg(row.nNumber)
            .arg(row.nCount);
    }
    template <typename Change> void Replace(const Change& change) {
        beginResetModel();
        change();
        endResetModel();
    }

private:
    const CResolveConflictsDlg& m_dlg;
};

CResolveConflictsDlg::CResolveConflictsDlg(CLockwardenDoc& doc, QWidget* pParent) : QDialog(pParent), m_doc(doc) {
    CreateDialogFromTemplate(IDD_RESOLVE_CONFLICTS, *this);
    setWindowIcon(QApplication::windowIcon());
    FindControl<QLabel>(this, IDC_RESOLVE_STATUS)->setWordWrap(true);
    for (const int nID : {IDC_RESOLVE_LEFT_PSWD, IDC_RESOLVE_RIGHT_PSWD}) {
        QWidget* pValue = FindControl(this, nID);
        pValue->installEventFilter(new CReadOnlyForTheEyes(pValue));
        pValue->setContextMenuPolicy(Qt::NoContextMenu);
    }
    // Enter presses the button that has the focus and no other: there is no default button to press from the
    // list, since all but Close change the sites.
    for (QPushButton* pButton : findChildren<QPushButton*>()) {
        pButton->setAutoDefault(false);
        pButton->installEventFilter(new CEnterPressesFocused(pButton));
    }

    m_pPairs = FindControl<QTreeView>(this, IDC_RESOLVE_PAIRS);
    m_pModel = new CPairsModel(*this, CListViewModel::ColumnsOf(*m_pPairs), m_pPairs);
    CListViewModel::Install(*m_pPairs, m_pModel);
    connect(m_pPairs->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &CResolveConflictsDlg::ShowPair);
    connect(FindControl<QCheckBox>(this, IDC_RESOLVE_SHOW_PSWD), &QCheckBox::toggled, this,
            &CResolveConflictsDlg::ShowPassword);
    connect(FindControl<QPushButton>(this, IDC_KEEP_LEFT), &QPushButton::clicked, this, [this] { Keep(true); });
    connect(FindControl<QPushButton>(this, IDC_KEEP_RIGHT), &QPushButton::clicked, this, [this] { Keep(false); });
    connect(FindControl<QPushButton>(this, IDC_KEEP_BOTH), &QPushButton::clicked, this,
            &CResolveConflictsDlg::KeepBoth);
    connect(FindControl<QPushButton>(this, IDC_SKIP), &QPushButton::clicked, this, &CResolveConflictsDlg::Skip);

    // The sites shown may go (a reload of the file, a removal): the pairs are found again from what is there.
    connect(&m_doc, &CLockwardenDoc::contentsAboutToBeDeleted, this, [this] {
        m_settled.clear();
        m_pModel->Replace([this] {
            m_rows.clear();
            m_conflicts.clear();
        });
    });
    connect(&m_doc, &CLockwardenDoc::siteAboutToBeRemoved, this, [this](const CSiteInfo* pSite) {
        std::erase_if(m_settled, [pSite](const CSettled& s) { return s.first == pSite || s.second == pSite; });
    });
    connect(&m_doc, &CLockwardenDoc::sitesChanged, this, [this] {
        if (!m_bRemoving)
            Rebuild(CurrentRow());
    });
    Rebuild(0);
    if (!m_rows.empty())
        m_pPairs->setFocus(Qt::OtherFocusReason);
}

CResolveConflictsDlg::~CResolveConflictsDlg() {
    // A password shown goes with the window, not with the allocator's next turn.
    for (const int nID : {IDC_RESOLVE_LEFT_PSWD, IDC_RESOLVE_RIGHT_PSWD})
        FindControl<QLineEdit>(this, nID)->clear();
}

QStringList CResolveConflictsDlg::PairTexts() const {
    QStringList texts;
    for (int i = 0; i < m_pModel->rowCount({}); ++i)
        texts << m_pModel->index(i, 0).data().toString();
    return texts;
}

int CResolveConflictsDlg::CurrentRow() const {
    const QModelIndex current = m_pPairs->currentIndex();
    return current.isValid() ? current.row() : -1;
}

const std::vector<const CSiteInfo*>& CResolveConflictsDlg::Version(const CRow& row, bool bLeft) const {
    const CSiteConflict& conflict = m_conflicts[row.nConflict];
    const auto& [nLeft, nRight] = conflict.pairs[row.nPair];
    return conflict.versions[bLeft ? nLeft : nRight];
}

CResolveConflictsDlg::CSettled CResolveConflictsDlg::SettledOf(const CRow& row) const {
    return {Version(row, true).front(), Version(row, false).front()};
}

void CResolveConflictsDlg::Rebuild(int nRow) {
    m_pModel->Replace([this] {
        m_conflicts = FindSiteConflicts(m_doc.Sites());
        m_rows.clear();
        for (std::size_t c = 0; c < m_conflicts.size(); ++c) {
            const std::size_t nFirst = m_rows.size();
            for (std::size_t p = 0; p < m_conflicts[c].pairs.size(); ++p) {
                const CRow row{c, p, 0, 0};
                if (!m_settled.contains(SettledOf(row)))
                    m_rows.push_back(row);
            }
            for (std::size_t i = nFirst; i < m_rows.size(); ++i) {
                m_rows[i].nNumber = i - nFirst + 1;
                m_rows[i].nCount = m_rows.size() - nFirst;
            }
        }
    });
    if (!m_rows.empty())
        m_pPairs->setCurrentIndex(m_pModel->index(std::clamp(nRow, 0, static_cast<int>(m_rows.size()) - 1), 0));
    ShowPair();
}

void CResolveConflictsDlg::ShowPair() {
    const int nRow = CurrentRow();
    const bool bPair = nRow >= 0 && static_cast<std::size_t>(nRow) < m_rows.size();
    const CSiteInfo* pLeft = bPair ? Version(m_rows[static_cast<std::size_t>(nRow)], true).front() : nullptr;
    const CSiteInfo* pRight = bPair ? Version(m_rows[static_cast<std::size_t>(nRow)], false).front() : nullptr;
    const QString strDiffers = LoadString(IDS_RESOLVE_DIFFERS);
    for (const CFieldRow& field : kFieldRows) {
        const bool bDiffers = bPair && pLeft->*field.pField != pRight->*field.pField;
        QLabel* pLabel = FindControl<QLabel>(this, field.nLabel);
        pLabel->setText((bDiffers ? kDiffersMark : QString()) + QString::fromLatin1(field.pszLabel));
        SetBold(pLabel, bDiffers);
        for (const auto& [nID, pSite] : {std::pair{field.nLeft, pLeft}, std::pair{field.nRight, pRight}}) {
            QWidget* pValue = FindControl(this, nID);
            SetBold(pValue, bDiffers);
            pValue->setAccessibleDescription(bDiffers ? strDiffers : QString());
            if (field.pField == &CSiteInfo::m_strNotes)
                SetValue(pValue, pSite ? NotesText(pSite->m_strNotes) : QString());
            else if (field.pField != &CSiteInfo::m_strPswd)
                SetValue(pValue, pSite ? ToDisplayText(pSite->*field.pField) : QString());
        }
    }
    ShowPassword();
    for (const int nID : {IDC_KEEP_LEFT, IDC_KEEP_RIGHT, IDC_KEEP_BOTH, IDC_SKIP})
        FindControl(this, nID)->setEnabled(bPair);
    FindControl<QLabel>(this, IDC_RESOLVE_STATUS)
        ->setText(m_rows.empty() ? LoadString(IDS_RESOLVE_NONE) : LoadString(IDS_RESOLVE_LEFT).arg(m_rows.size()));
    // Nothing left to settle: Close is all there is to press.
    if (m_rows.empty())
        FindControl(this, IDCANCEL)->setFocus(Qt::OtherFocusReason);
}

void CResolveConflictsDlg::ShowPassword() {
    const int nRow = CurrentRow();
    const bool bShow = FindControl<QCheckBox>(this, IDC_RESOLVE_SHOW_PSWD)->isChecked();
    for (const bool bLeft : {true, false}) {
        QString strText;
        if (nRow >= 0 && static_cast<std::size_t>(nRow) < m_rows.size()) {
            const std::string& strPswd = Version(m_rows[static_cast<std::size_t>(nRow)], bLeft).front()->m_strPswd;
            strText = bShow ? ToDisplayText(strPswd) : QString::fromStdString(MaskPassword(strPswd));
        }
        SetValue(FindControl(this, bLeft ? IDC_RESOLVE_LEFT_PSWD : IDC_RESOLVE_RIGHT_PSWD), strText);
    }
}

void CResolveConflictsDlg::Keep(bool bLeft) {
    const int nRow = CurrentRow();
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_rows.size())
        return;
    // Every copy of the other version goes; the pairs are found again once, after the last.
    const std::vector<const CSiteInfo*> doomed = Version(m_rows[static_cast<std::size_t>(nRow)], !bLeft);
    m_bRemoving = true;
    for (const CSiteInfo* pSite : doomed)
        if (const int nIndex = m_doc.IndexOf(pSite); nIndex >= 0)
            m_doc.RemoveSite(m_doc.Sites()[static_cast<std::size_t>(nIndex)].get());
    m_bRemoving = false;
    Rebuild(nRow);
}

void CResolveConflictsDlg::KeepBoth() {
    const int nRow = CurrentRow();
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_rows.size())
        return;
    m_settled.insert(SettledOf(m_rows[static_cast<std::size_t>(nRow)]));
    Rebuild(nRow);
}

void CResolveConflictsDlg::Skip() {
    const int nRow = CurrentRow();
    if (m_rows.empty())
        return;
    m_pPairs->setCurrentIndex(m_pModel->index((nRow + 1) % static_cast<int>(m_rows.size()), 0));
}

CResolveConflictsCommand::CResolveConflictsCommand(CLockwardenView& view, CLockwardenDoc& doc, CWndPrompts& prompts)
    : QObject(&view), m_view(view), m_doc(doc), m_prompts(prompts) {}

void CResolveConflictsCommand::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_VIEW_RESOLVE_CONFLICTS, [this] { OnResolveConflicts(); }, [this](CCmdUI& ui) { ui.Enable(CanResolve()); });
}

bool CResolveConflictsCommand::HasConflicts() const {
    if (m_nRevision != m_doc.Revision()) {
        m_bHasConflicts = !FindSiteConflicts(m_doc.Sites()).empty();
        m_nRevision = m_doc.Revision();
    }
    return m_bHasConflicts;
}

bool CResolveConflictsCommand::CanResolve() const {
    // Not under a site being entered or edited: the form holds it apart from the document.
    return m_view.IsBrowsing() && !m_doc.IsLocked() && HasConflicts();
}

void CResolveConflictsCommand::OnResolveConflicts() {
    if (!CanResolve())
        return;
    CResolveConflictsDlg dlg(m_doc, m_view.window());
    m_prompts.DoModal(dlg);
}

void CResolveConflictsCommand::OfferAfterMerge() {
    if (CanResolve() && m_prompts.MessageBox(LoadString(IDS_RESOLVE_OFFER), MB_YESNO | MB_ICONQUESTION) == IDYES)
        OnResolveConflicts();
}
