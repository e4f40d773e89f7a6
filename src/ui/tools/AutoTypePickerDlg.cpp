#include "ui/tools/AutoTypePickerDlg.h"

#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/tools/SiteNameMatch.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

// The names in one buffer, displayed and ready for searching, and the rows the box's text leaves.
class CPickerModel : public QAbstractListModel {
public:
    explicit CPickerModel(const std::vector<std::string_view>& names, QObject* pParent) : QAbstractListModel(pParent) {
        std::size_t nBytes = 0;
        for (const std::string_view name : names)
            nBytes += name.size();
        m_strNames.reserve(nBytes);
        m_strReady.reserve(nBytes);
        m_names.reserve(names.size());
        for (const std::string_view name : names) {
            const std::size_t nAt = m_strNames.size();
            const std::size_t nReadyAt = m_strReady.size();
            m_strNames.append(name);
            const bool bLower = AppendReadyName(m_strReady, name);
            m_names.push_back({nAt, name.size(), nReadyAt, m_strReady.size() - nReadyAt, bLower});
        }
        SetFilter(std::string());
    }
    ~CPickerModel() override {
        WipeMemory(m_strNames.data(), m_strNames.size());
        WipeMemory(m_strReady.data(), m_strReady.size());
        WipeMemory(m_strFind.data(), m_strFind.size());
    }
    CPickerModel(const CPickerModel&) = delete;
    CPickerModel& operator=(const CPickerModel&) = delete;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if (!index.isValid() || index.row() >= rowCount({}) ||
            (nRole != Qt::DisplayRole && nRole != Qt::AccessibleTextRole))
            return {};
        const CName& name = m_names[m_rows[static_cast<std::size_t>(index.row())]];
        return ToDisplayText(std::string_view(m_strNames).substr(name.nAt, name.nLength));
    }

    void SetFilter(const std::string& strFind) {
        beginResetModel();
        const CSiteNameFinder finder(strFind);
        // A key typed at the end only narrows: the names left are searched, not all of them.
        const bool bNarrowing =
            m_bFiltered && strFind.size() > m_strFind.size() && strFind.compare(0, m_strFind.size(), m_strFind) == 0;
        std::vector<int> rows;
        const auto consider = [&](std::size_t i) {
            const CName& name = m_names[i];
            if (finder.IsEmpty() ||
                finder.FindIn(CReadyName{std::string_view(m_strReady).substr(name.nReadyAt, name.nReadyLength),
                                         name.bLowerAscii}) >= 0)
                rows.push_back(static_cast<int>(i));
        };
        if (bNarrowing) {
            for (const int nRow : m_rows)
                consider(static_cast<std::size_t>(nRow));
        } else {
            rows.reserve(m_names.size());
            for (std::size_t i = 0; i < m_names.size(); ++i)
                consider(i);
        }
        m_rows = std::move(rows);
        WipeMemory(m_strFind.data(), m_strFind.size());
        m_strFind = strFind;
        m_bFiltered = true;
        endResetModel();
    }
    int SiteOfRow(int nRow) const {
        return nRow >= 0 && nRow < rowCount({}) ? m_rows[static_cast<std::size_t>(nRow)] : -1;
    }

private:
    struct CName {
        std::size_t nAt, nLength, nReadyAt, nReadyLength;
        bool bLowerAscii;
    };
    std::string m_strNames;
    std::string m_strReady;
    std::vector<CName> m_names;
    std::vector<int> m_rows;
    std::string m_strFind; // the text m_rows were found for
    bool m_bFiltered = false;
};

CAutoTypePickerDlg::CAutoTypePickerDlg(const std::vector<std::string_view>& names, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_pModel(new CPickerModel(names, this)) {
    setObjectName(QStringLiteral("AutoTypePicker"));
    setWindowTitle(QStringLiteral("Auto-Type"));
    auto* pLabel = new QLabel(QStringLiteral("&Type into the window: which site?"), this);
    m_pFilter = new QLineEdit(this);
    m_pFilter->setAccessibleName(QStringLiteral("Type into the window: which site?"));
    pLabel->setBuddy(m_pFilter);
    m_pList = new QListView(this);
    m_pList->setAccessibleName(QStringLiteral("Sites"));
    m_pList->setUniformItemSizes(true);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setModel(m_pModel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pLabel);
    pLayout->addWidget(m_pFilter);
    pLayout->addWidget(m_pList);
    setTabOrder(m_pFilter, m_pList);
    connect(m_pFilter, &QLineEdit::textEdited, this, &CAutoTypePickerDlg::SetFilter);
    connect(m_pList, &QListView::activated, this, [this] { Accept(); });
    m_pFilter->installEventFilter(this);
    SetFilter(QString());
    resize(360, 320);
}

CAutoTypePickerDlg::~CAutoTypePickerDlg() = default;

void CAutoTypePickerDlg::SetFilter(const QString& strText) {
    if (m_pFilter->text() != strText)
        m_pFilter->setText(strText);
    m_pModel->SetFilter(FromDisplayText(strText));
    if (m_pModel->rowCount({}) > 0)
        m_pList->setCurrentIndex(m_pModel->index(0));
}

int CAutoTypePickerDlg::Chosen() const {
    return m_pModel->SiteOfRow(m_pList->currentIndex().row());
}

int CAutoTypePickerDlg::ShownCount() const {
    return m_pModel->rowCount({});
}

bool CAutoTypePickerDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // The box keeps the focus while the arrows and page keys move in the list; Enter types.
    if (pWatched == m_pFilter && pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        switch (pKey->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_pList, pEvent);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Accept();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CAutoTypePickerDlg::Accept() {
    const int nSite = Chosen();
    if (nSite < 0)
        return;
    accept();
    Q_EMIT chosen(nSite);
}
