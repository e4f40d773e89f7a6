#include "core/tools/ConflictCopies.h"

#include "core/platform/LastError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsConflictCopyName(const QString& strFileName, const QString& strCandidate) {
    // The tools put their mark before the last extension; a file without one gets it at its end.
    const qsizetype nDot = strFileName.lastIndexOf(QLatin1Char('.'));
    const QString strBase = nDot > 0 ? strFileName.left(nDot) : strFileName;
    const QString strExt = nDot > 0 ? strFileName.mid(nDot) : QString();
    const QString strMarks = QStringLiteral(R"((?:\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7})"
                                            R"(| \(conflicted copy (?:[^()/]+ )?\d{4}-\d{2}-\d{2} \d{6}\))"
                                            R"(| \([^()/]+'s conflicted copy \d{4}-\d{2}-\d{2}(?: \(\d+\))?\)))");
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(strBase) + strMarks + QRegularExpression::escape(strExt)));
    return pattern.match(strCandidate).hasMatch();
}

bool CheckConflictCopy(const QString& strPath, FileAccess::CFileStamp& stamp, QString& strReason) {
    // O_NOFOLLOW: a link left under a copy's name (to the user's private database, say) is never read.
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        strReason = errno == ELOOP ? QStringLiteral("it is a symbolic link") : GetLastErrorText(errno);
        return false;
    }
    struct stat st {};
    const bool bStat = ::fstat(fd, &st) == 0;
    const int nErr = errno;
    stamp = FileAccess::GetFileStamp(fd);
    ::close(fd);
    if (!bStat)
        strReason = GetLastErrorText(nErr);
    else if (!S_ISREG(st.st_mode))
        strReason = QStringLiteral("it is not a regular file");
    // Root too owns only its own files: a copy another user left is that user's, whoever runs this.
    else if (st.st_uid != ::geteuid())
        strReason = QStringLiteral("it belongs to another user (%1)").arg(FileAccess::OwnerName(st.st_uid));
    else
        return true;
    return false;
}

QStringList FindConflictCopies(const QString& strPath, std::vector<CSkippedCopy>* pSkipped) {
    const QFileInfo info(strPath);
    const QDir dir = info.absoluteDir();
    QStringList copies;
    // Every kind of entry is looked at, links and special files too, so that each one skipped is named.
    for (const QString& strName : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name)) {
        if (!IsConflictCopyName(info.fileName(), strName))
            continue;
        const QString strCopy = dir.filePath(strName);
        FileAccess::CFileStamp stamp;
        QString strReason;
        if (CheckConflictCopy(strCopy, stamp, strReason))
            copies << strCopy;
        else if (pSkipped != nullptr)
            pSkipped->push_back({strCopy, strReason});
    }
    return copies;
}
