#include "ui/view/SiteListModel.h"

#include "core/platform/Text.h"
#include "core/database/SiteOrder.h"

#include <algorithm>

void CSiteListModel::Reset(const CSiteArray& sites) {
    ReleaseNameBuffer();
    beginResetModel();
    m_items.clear();
    m_items.reserve(sites.size());
    for (const std::size_t i : SiteListOrder(sites))
        m_items.push_back(sites[i].get());
    endResetModel();
}

int CSiteListModel::Insert(CSiteInfo* pSite) {
    const auto it = std::upper_bound(m_items.begin(), m_items.end(), pSite, [](const CSiteInfo* a, const CSiteInfo* b) {
        return CompareSiteNames(a->m_strSite, b->m_strSite) < 0;
    });
    const int nIndex = static_cast<int>(it - m_items.begin());
    ReleaseNameBuffer();
    beginInsertRows(QModelIndex(), nIndex, nIndex);
    m_items.insert(it, pSite);
    endInsertRows();
    return nIndex;
}

int CSiteListModel::IndexOf(const CSiteInfo* pSite) const {
    if (pSite == nullptr)
        return -1;
    const auto [first, last] =
        std::equal_range(m_items.begin(), m_items.end(), pSite, [](const CSiteInfo* a, const CSiteInfo* b) {
            return CompareSiteNames(a->m_strSite, b->m_strSite) < 0;
        });
    auto it = std::find(first, last, pSite);
    // Not where its name sorts (a name changed in place): the whole list is looked through.
    if (it == last)
        it = std::find(m_items.begin(), m_items.end(), pSite);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

void CSiteListModel::RemoveAt(int nIndex) {
    if (nIndex < 0 || nIndex >= Count())
        return;
    ReleaseNameBuffer();
    beginRemoveRows(QModelIndex(), nIndex, nIndex);
    m_items.erase(m_items.begin() + nIndex);
    endRemoveRows();
}

void CSiteListModel::Clear() {
    ReleaseNameBuffer();
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

CReadyName CSiteListModel::ReadyNameAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= Count())
        return {};
    if (m_nameEnds.empty()) {
        std::size_t nTotal = 0;
        for (const CSiteInfo* pSite : m_items)
            nTotal += pSite->m_strSite.size();
        m_strNames.reserve(nTotal);
        m_nameEnds.reserve(m_items.size());
        for (const CSiteInfo* pSite : m_items) {
            const bool bLowerAscii = AppendReadyName(m_strNames, pSite->m_strSite);
            m_nameEnds.push_back({m_strNames.size(), bLowerAscii});
        }
    }
    const auto i = static_cast<std::size_t>(nIndex);
    const std::size_t nStart = i == 0 ? 0 : m_nameEnds[i - 1].nEnd;
    return {std::string_view(m_strNames).substr(nStart, m_nameEnds[i].nEnd - nStart), m_nameEnds[i].bLowerAscii};
}

void CSiteListModel::ReleaseNameBuffer() const {
    std::string().swap(m_strNames);
    std::vector<CNameEnd>().swap(m_nameEnds);
}

int CSiteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CSiteListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || (nRole != Qt::DisplayRole && nRole != Qt::EditRole && nRole != Qt::AccessibleTextRole))
        return {};
    return NameAt(index.row());
}
