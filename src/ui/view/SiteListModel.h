#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

#include "core/database/SiteInfo.h"
#include "core/tools/SiteNameMatch.h"

// The site list's items: one reference per record of the document, in the program's site order
// (database/SiteOrder: alphabetical without regard to case, equal names in the order they were inserted).
// The names are read from the records when shown, so the list costs one pointer per site, and inserting
// or removing one site moves pointers instead of rebuilding anything.
class CSiteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Replaces every item by the records of sites, sorted.
    void Reset(const CSiteArray& sites);
    // Inserts a record at its sorted place, after any equal names; returns its index.
    int Insert(CSiteInfo* pSite);
    void RemoveAt(int nIndex);
    void Clear();
    // The item of pSite, -1 when it is not listed. Looks among the names equal to its own only.
    int IndexOf(const CSiteInfo* pSite) const;

    int Count() const { return static_cast<int>(m_items.size()); }
    CSiteInfo* At(int nIndex) const;
    QString NameAt(int nIndex) const;
    // Item nIndex's name made ready for searching (tools/SiteNameMatch.h), read from one buffer that holds
    // every name in list order: a search through all names then reads one block of memory instead of one
    // record after another. The buffer is made on first use after a change to the list;
    // ReleaseNameBuffer gives it back.
    CReadyName ReadyNameAt(int nIndex) const;
    void ReleaseNameBuffer() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;

private:
    std::vector<CSiteInfo*> m_items;
    struct CNameEnd {
        std::size_t nEnd; // where the name ends in m_strNames
        bool bLowerAscii;
    };
    mutable std::string m_strNames;           // every name made ready, in list order, end to end
    mutable std::vector<CNameEnd> m_nameEnds; // empty: not made
};
