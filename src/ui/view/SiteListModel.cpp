#include "view/SiteListModel.h"

#include "platform/Text.h"
#include "tools/SiteOrder.h"

#include <algorithm>

void CSiteListModel::Reset(const CSiteArray& sites) {
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
