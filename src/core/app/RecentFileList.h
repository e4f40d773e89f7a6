#pragma once

#include "core/resources/Resource.h"

#include <QString>
#include <QStringList>

class CProfileStore;

// The recently used files, newest first, kept in section "Recent File List" as "File1".."FileN".
// A file that has gone from disk stays listed until opening it from the menu fails.
class CRecentFileList {
public:
    explicit CRecentFileList(int nSize = kRecentFileCount) : m_nSize(nSize) {}

    void ReadList(const CProfileStore& store);
    void WriteList(CProfileStore& store) const;

    // Puts strPath (made absolute) first, removing an older entry of the same file.
    void Add(const QString& strPath);
    void Remove(int nIndex);
    int GetSize() const { return static_cast<int>(m_list.size()); }
    const QStringList& Entries() const { return m_list; }
    QString operator[](int nIndex) const { return nIndex < m_list.size() ? m_list[nIndex] : QString(); }

    // The menu text of an entry: the path shortened to at most nMaxLength characters by leaving out
    // folders after the root ("/.../docs/sites.lwd"); a file name too long on its own is shown whole.
    static QString AbbreviateName(const QString& strPath, int nMaxLength = 30);

    static constexpr const char* kSection = "Recent File List";

private:
    int m_nSize;
    QStringList m_list;
};
