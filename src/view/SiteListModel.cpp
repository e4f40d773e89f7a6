#include "view/SiteListModel.h"

#include "platform/Text.h"

#include <algorithm>

namespace {
inline unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
} // namespace

int CSiteListModel::CompareNames(const std::string& a, const std::string& b) {
    // Nearly every name is plain ASCII: compare byte by byte with letters folded while both sides are
    // ASCII. An identical ASCII prefix decodes to identical characters, so the first ASCII difference
    // decides exactly as the full case-insensitive comparison would; a non-ASCII byte before any
    // difference hands the pair to that full comparison.
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            return QString::compare(ToDisplayText(a), ToDisplayText(b), Qt::CaseInsensitive);
        const unsigned char lx = Lower(x);
        const unsigned char ly = Lower(y);
        if (lx != ly)
            return lx < ly ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    // One is a prefix of the other; the rest of the longer one may still be non-ASCII, which does not
    // change that the shorter comes first.
    return a.size() < b.size() ? -1 : 1;
}

void CSiteListModel::Reset(const CSiteArray& sites) {
    beginResetModel();
    m_items.clear();
    m_items.reserve(sites.size());
    for (const auto& pSite : sites)
        m_items.push_back(pSite.get());
    std::stable_sort(m_items.begin(), m_items.end(), [](const CSiteInfo* a, const CSiteInfo* b) {
        return CompareNames(a->m_strSite, b->m_strSite) < 0;
    });
    endResetModel();
}

int CSiteListModel::Insert(CSiteInfo* pSite) {
    const auto it = std::upper_bound(m_items.begin(), m_items.end(), pSite, [](const CSiteInfo* a, const CSiteInfo* b) {
        return CompareNames(a->m_strSite, b->m_strSite) < 0;
    });
    const int nIndex = static_cast<int>(it - m_items.begin());
    beginInsertRows(QModelIndex(), nIndex, nIndex);
    m_items.insert(it, pSite);
    endInsertRows();
    return nIndex;
}

void CSiteListModel::RemoveAt(int nIndex) {
    if (nIndex < 0 || nIndex >= Count())
        return;
    beginRemoveRows(QModelIndex(), nIndex, nIndex);
    m_items.erase(m_items.begin() + nIndex);
    endRemoveRows();
}

void CSiteListModel::Clear() {
    beginResetModel();
    m_items.clear();
    endResetModel();
}

CSiteInfo* CSiteListModel::At(int nIndex) const {
    return nIndex >= 0 && nIndex < Count() ? m_items[static_cast<std::size_t>(nIndex)] : nullptr;
}

QString CSiteListModel::NameAt(int nIndex) const {
    const CSiteInfo* pSite = At(nIndex);
    return pSite != nullptr ? ToDisplayText(pSite->m_strSite) : QString();
}

int CSiteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CSiteListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || (nRole != Qt::DisplayRole && nRole != Qt::EditRole && nRole != Qt::AccessibleTextRole))
        return {};
    return NameAt(index.row());
}
