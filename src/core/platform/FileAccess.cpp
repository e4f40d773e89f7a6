#include "core/platform/FileAccess.h"

#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

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

std::int32_t SecondsOf(const struct stat& st) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_mtime)));
}

// Closes a descriptor when the scope ends; for a locked one that also releases the lock.
class CFdCloser {
public:
    explicit CFdCloser(int fd) : m_fd(fd) {}
    ~CFdCloser() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFdCloser(const CFdCloser&) = delete;
    CFdCloser& operator=(const CFdCloser&) = delete;

private:
    int m_fd;
};

// Overwrites the file open on fd with bytes. The room is reserved before anything is written, so a disk
// too full for the new contents fails while the old ones are still whole.
bool WriteInPlace(int fd, std::string_view bytes, QString& strError) {
    const auto nSize = static_cast<off_t>(bytes.size());
    if (nSize > 0) {
        const int nErr = ::posix_fallocate(fd, 0, nSize);
        // A file system that cannot reserve space says so with EOPNOTSUPP; the write then takes its chance.
        if (nErr != 0 && nErr != EOPNOTSUPP) {
            strError = GetLastErrorText(nErr);
            return false;
        }
    }
    if (::lseek(fd, 0, SEEK_SET) != 0 || !WriteAll(fd, bytes.data(), bytes.size()) || ::ftruncate(fd, nSize) != 0 ||
        ::fsync(fd) != 0) {
        strError = GetLastErrorText(errno);
        return false;
    }
    return true;
}

} // namespace

namespace {

CFileStamp StampOf(const struct stat& st) {
    CFileStamp stamp;
    stamp.bValid = true;
    stamp.tSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    stamp.nNanoseconds = st.st_mtim.tv_nsec;
    stamp.nSize = static_cast<std::int64_t>(st.st_size);
    stamp.nDevice = static_cast<std::uint64_t>(st.st_dev);
    stamp.nInode = static_cast<std::uint64_t>(st.st_ino);
    return stamp;
}

} // namespace

CFileStamp GetFileStamp(const QString& strPath) {
    struct stat st {};
    if (strPath.isEmpty() || ::stat(Native(strPath).constData(), &st) != 0)
        return {};
    return StampOf(st);
}

CFileStamp GetFileStamp(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return {};
    return StampOf(st);
}

int OpenRegularFile(const QString& strPath) {
    const int fd = ::open(Native(strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    int nErr = 0;
    if (::fstat(fd, &st) != 0)
        nErr = errno;
    else if (S_ISDIR(st.st_mode))
        nErr = EISDIR;
    else if (!S_ISREG(st.st_mode))
        nErr = kErrNotRegularFile;
    else if (st.st_size > kMaxFileSize)
        nErr = kErrFileTooLarge;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        nErr = errno;
    if (nErr != 0) {
        ::close(fd);
        errno = nErr;
        return -1;
    }
    return fd;
}

bool ReadRegularFile(const QString& strPath, std::string& strBytes, int& nErr) {
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) {
        nErr = errno;
        return false;
    }
    const CFdCloser closer(fd);
    // Room for the whole file at once: growing the string would leave copies of it behind in freed memory.
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        strBytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    char buffer[1 << 16];
    const struct CWipeBuffer {
        char* p;
        std::size_t n;
        ~CWipeBuffer() { WipeMemory(p, n); }
    } wipe{buffer, sizeof buffer};
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            nErr = errno;
            return false;
        }
        // A file that grows while it is read is held to the same limit.
        if (static_cast<std::int64_t>(strBytes.size()) + n > kMaxFileSize) {
            nErr = kErrFileTooLarge;
            return false;
        }
        strBytes.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

bool GetFileTime(const QString& strPath, std::int32_t& tTime) {
    struct stat st {};
    if (strPath.isEmpty() || ::stat(Native(strPath).constData(), &st) != 0)
        return false;
    tTime = SecondsOf(st);
    return true;
}

bool GetFileTime(int fd, std::int32_t& tTime) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return false;
    tTime = SecondsOf(st);
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
    m_nError = 0;
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) {
        m_nError = errno; // set by OpenRegularFile as it failed
        return false;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        m_nError = errno;
        ::close(fd);
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
    int fdLocked = -1;
    if (bExists) {
        // The rename would replace a file the user cannot or will not let us write; refuse as a plain
        // write would have.
        if (IsReadOnly(strTarget)) {
            strError = GetLastErrorText(EACCES);
            return false;
        }
        nMode = st.st_mode & 07777;
        // A reader holds the file's shared lock while it checks the password; the new contents wait until
        // it has finished. The lock stays taken until they are in place.
        fdLocked = ::open(Native(strTarget).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fdLocked < 0 || ::flock(fdLocked, LOCK_EX | LOCK_NB) != 0) {
            const int nErr = errno;
            if (fdLocked >= 0)
                ::close(fdLocked);
            strError = nErr == EWOULDBLOCK ? LoadString(IDS_FILE_IN_USE) : GetLastErrorText(nErr);
            return false;
        }
    }
    const CFdCloser closeLocked(fdLocked);

    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        const int nErr = errno;
        // A folder where only the file may be written (a shared one) takes the save in place.
        if (bExists && (nErr == EACCES || nErr == EPERM))
            return WriteInPlace(fdLocked, bytes, strError);
        strError = GetLastErrorText(nErr);
        return false;
    }
    auto fail = [&](int nErr) {
        ::close(fd);
        ::unlink(tmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    };
    // Best effort: only root may give a file away, but a member of the file's group keeps its group, so a
    // shared file stays shared. Ownership first, since a change of owner may clear mode bits.
    if (bExists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    if (::fchmod(fd, nMode) != 0 && bExists)
        return fail(errno);
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
