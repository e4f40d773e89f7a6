#include "core/app/RecentFileList.h"

#include "core/platform/ProfileStore.h"

#include <QFileInfo>

namespace {
QString EntryName(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}
} // namespace

void CRecentFileList::ReadList(const CProfileStore& store) {
    m_list.clear();
    const QString strSection = QString::fromLatin1(kSection);
    for (int i = 0; i < m_nSize; ++i) {
        const QString strPath = store.GetProfileString(strSection, EntryName(i));
        if (!strPath.isEmpty())
            m_list.push_back(strPath);
    }
}

void CRecentFileList::WriteList(CProfileStore& store) const {
    const QString strSection = QString::fromLatin1(kSection);
    for (int i = 0; i < m_nSize; ++i) {
        if (i < m_list.size())
            store.WriteProfileString(strSection, EntryName(i), m_list[i]);
        else
            store.RemoveProfileEntry(strSection, EntryName(i));
    }
}

void CRecentFileList::Add(const QString& strPath) {
    if (strPath.isEmpty())
        return;
    const QString strFull = QFileInfo(strPath).absoluteFilePath();
    m_list.removeAll(strFull);
    m_list.push_front(strFull);
    while (m_list.size() > m_nSize)
        m_list.pop_back();
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex >= 0 && nIndex < m_list.size())
        m_list.removeAt(nIndex);
}

QString CRecentFileList::AbbreviateName(const QString& strPath, int nMaxLength) {
    if (strPath.size() <= nMaxLength)
        return strPath;
    const qsizetype nSlash = strPath.lastIndexOf(QLatin1Char('/'));
    const QString strName = strPath.mid(nSlash + 1);
    const QString strRoot = strPath.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    const QString strEllipsis = QStringLiteral(".../");
    if (strRoot.size() + strEllipsis.size() + strName.size() > nMaxLength)
        return strName;
    // Keep as many trailing folders as fit after "/.../".
    QString strTail = strName;
    qsizetype nEnd = nSlash;
    while (nEnd > 0) {
        const qsizetype nPrev = strPath.lastIndexOf(QLatin1Char('/'), nEnd - 1);
        const QString strCandidate = strPath.mid(nPrev + 1, nEnd - nPrev) + strTail;
        if (nPrev <= 0 || strRoot.size() + strEllipsis.size() + strCandidate.size() > nMaxLength)
            break;
        strTail = strCandidate;
        nEnd = nPrev;
    }
    return strRoot + strEllipsis + strTail;
}
