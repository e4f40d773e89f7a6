#include "core/platform/Trash.h"

#include "core/platform/XdgFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the folder and every missing one above it, owner-only, as the desktop makes its data folders.
bool MakeFolders(const QString& strPath) {
    const QByteArray path = QFile::encodeName(QDir::cleanPath(strPath));
    for (qsizetype n = path.indexOf('/', 1);; n = path.indexOf('/', n + 1)) {
        const QByteArray part = n < 0 ? path : path.left(n);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (n < 0)
            return true;
    }
}

} // namespace

bool MoveToTrash(const QString& strPath, int& nError) {
    bool bDeleted = false;
    return MoveToTrash(strPath, nError, bDeleted);
}

bool MoveToTrash(const QString& strPath, int& nError, bool& bDeleted) {
    nError = 0;
    bDeleted = false;
    const QFileInfo info(strPath);
    const QString strTrash = XdgBaseFolder("XDG_DATA_HOME", ".local/share") + QStringLiteral("/Trash");
    bool bTrashed = false;
    if (MakeFolders(strTrash + QStringLiteral("/files")) && MakeFolders(strTrash + QStringLiteral("/info"))) {
        // The info file is made first and exclusively: it claims the name in the trash.
        const QString strName = info.fileName();
        for (int n = 1; n < 1000 && !bTrashed; ++n) {
            const QString strTrashName = n == 1 ? strName : QStringLiteral("%1.%2").arg(strName).arg(n);
            const QString strInfo = strTrash + QStringLiteral("/info/") + strTrashName + QStringLiteral(".trashinfo");
            const QByteArray infoPath = QFile::encodeName(strInfo);
            const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                break;
            }
            const QByteArray text =
                "[Trash Info]\nPath=" + QUrl::toPercentEncoding(info.absoluteFilePath(), "/") + "\nDeletionDate=" +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + "\n";
            const bool bWritten = ::write(fd, text.constData(), static_cast<std::size_t>(text.size())) == text.size();
            ::close(fd);
            const QByteArray target = QFile::encodeName(strTrash + QStringLiteral("/files/") + strTrashName);
            if (bWritten && std::rename(QFile::encodeName(strPath).constData(), target.constData()) == 0) {
                bTrashed = true;
                break;
            }
            const int nRenameError = errno;
            ::unlink(infoPath.constData());
            // Another disk has no trash of ours: the file is deleted instead.
            if (nRenameError != EXDEV) {
                nError = nRenameError;
                return false;
            }
            break;
        }
    }
    if (bTrashed)
        return true;
    if (::unlink(QFile::encodeName(strPath).constData()) == 0) {
        bDeleted = true;
        return true;
    }
    nError = errno;
    return false;
}
