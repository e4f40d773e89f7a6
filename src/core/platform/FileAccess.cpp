#include "platform/FileAccess.h"

#include "platform/LastError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

namespace {

QByteArray Native(const QString& strPath) {
    return QFile::encodeName(strPath);
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t nWritten = ::write(fd, p, n);
        if (nWritten < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += nWritten;
        n -= static_cast<std::size_t>(nWritten);
    }
    return true;
}

} // namespace

bool GetFileTime(const QString& strPath, std::int32_t& tTime) {
    struct stat st {};
    if (strPath.isEmpty() || ::stat(Native(strPath).constData(), &st) != 0)
        return false;
    tTime = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_mtime)));
    return true;
}

bool IsReadOnly(const QString& strPath) {
    const QByteArray path = Native(strPath);
    struct stat st {};
    if (strPath.isEmpty() || ::stat(path.constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.constData(), W_OK) != 0;
}

CSharedReadLock::~CSharedReadLock() {
    Close();
}

bool CSharedReadLock::Open(const QString& strPath) {
    Close();
    const int fd = ::open(Native(strPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const int nErr = errno;
        ::close(fd);
        errno = nErr;
        return false;
    }
    m_fd = fd;
    return true;
}

void CSharedReadLock::Close() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool SaveFileAtomically(const QString& strPath, std::string_view bytes, QString& strError) {
    strError.clear();
    if (strPath.isEmpty()) {
        strError = GetLastErrorText(ENOENT);
        return false;
    }
    // Save beside the real file when the path is a link, so the link stays a link.
    QString strTarget = strPath;
    const QFileInfo info(strPath);
    if (info.isSymLink()) {
        const QString strReal = info.canonicalFilePath();
        if (!strReal.isEmpty())
            strTarget = strReal;
    }
    const QFileInfo target(strTarget);
    const QByteArray dir = Native(target.absolutePath());
    QByteArray tmpl =
        Native(target.absolutePath() + QLatin1String("/.") + target.fileName() + QLatin1String(".XXXXXX"));

    mode_t nMode = S_IRUSR | S_IWUSR;
    struct stat st {};
    const bool bExists = ::stat(Native(strTarget).constData(), &st) == 0;
    if (bExists) {
        // The rename would replace a file the user cannot or will not let us write; refuse as a plain
        // write would have.
        if (IsReadOnly(strTarget)) {
            strError = GetLastErrorText(EACCES);
            return false;
        }
        nMode = st.st_mode & 07777;
    }

    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        strError = GetLastErrorText(errno);
        return false;
    }
    auto fail = [&](int nErr) {
        ::close(fd);
        ::unlink(tmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    };
    if (::fchmod(fd, nMode) != 0 && bExists)
        return fail(errno);
    if (bExists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
        (void)::fchown(fd, st.st_uid, st.st_gid); // best effort: only root may give a file away
    if (!WriteAll(fd, bytes.data(), bytes.size()))
        return fail(errno);
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int nErr = errno;
        ::unlink(tmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    }
    if (::rename(tmpl.constData(), Native(strTarget).constData()) != 0) {
        const int nErr = errno;
        ::unlink(tmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace FileAccess
