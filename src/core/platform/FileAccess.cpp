#include "core/platform/FileAccess.h"

#include "core/platform/FileWipe.h"

#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
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

// Copies the open file fdFrom into fdTo and syncs it.
bool CopyFileContents(int fdFrom, int fdTo) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fdFrom, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!WriteAll(fdTo, buffer, static_cast<std::size_t>(n)))
            return false;
    }
    return ::fsync(fdTo) == 0;
}

// Gives the file at target (described by st) a second name made from the template tmpl, which becomes that
// name: a hard link when the file is already owner-only, since a link shares its mode; otherwise, or when
// the file system takes no links, an owner-only copy. False with nErr set and nothing left behind.
bool MakeBackupTemp(const QByteArray& target, const struct stat& st, QByteArray& tmpl, int& nErr) {
    const QByteArray original = tmpl;
    if ((st.st_mode & 07777) == (S_IRUSR | S_IWUSR)) {
        const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            // The unique name is taken back for the link; link never replaces a file that took it meanwhile.
            ::unlink(tmpl.constData());
            if (::link(target.constData(), tmpl.constData()) == 0)
                return true;
        }
        tmpl = original;
    }
    const int fdFrom = ::open(target.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fdFrom < 0) {
        nErr = errno;
        return false;
    }
    const CFdCloser closeFrom(fdFrom);
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        nErr = errno;
        return false;
    }
    const bool bCopied = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && CopyFileContents(fdFrom, fd);
    nErr = errno;
    if (::close(fd) != 0 && bCopied)
        nErr = errno;
    else if (bCopied)
        return true;
    ::unlink(tmpl.constData());
    return false;
}

// The backup of a file saved in place: the file's contents written over an existing backup, which this user
// owns and makes owner-only first. False when there is none or it cannot be so written.
bool BackupInPlace(const QString& strTarget) {
    std::string strOld;
    int nErr = 0;
    if (!ReadRegularFile(strTarget, strOld, nErr))
        return false;
    const int fd = ::open(Native(BackupPathOf(strTarget)).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const CFdCloser closer(fd);
    struct stat st {};
    QString strError;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
           ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && WriteInPlace(fd, strOld, strError);
}

QString BackupFailedText(const QString& strTarget, int nErr) {
    return LoadString(IDS_BACKUP_FAILED).arg(QFileInfo(BackupPathOf(strTarget)).fileName(), GetLastErrorText(nErr));
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

QString OwnerName(uid_t uid) {
    struct passwd pw {};
    struct passwd* pResult = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &pResult) == 0 && pResult != nullptr)
        return QFile::decodeName(pw.pw_name);
    return QString::number(uid);
}

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

int OpenRegularFile(const QString& strPath, std::int64_t nMaxSize) {
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
    else if (st.st_size > nMaxSize)
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

QString BackupPathOf(const QString& strPath) {
    return strPath + QLatin1String(".bak");
}

bool SaveFileAtomically(const QString& strPath, std::string_view bytes, QString& strError, bool bKeepBackup) {
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
        // The file (or what a link at the path leads to) is another user's: whatever the folder or the
        // file's mode allow, this user's sites never go into it, and root owns nothing another user owns.
        if (st.st_uid != ::geteuid()) {
            strError = LoadString(IDS_FILE_OF_ANOTHER_USER).arg(OwnerName(st.st_uid));
            return false;
        }
        // The rename would replace a file the user cannot or will not let us write; refuse as a plain
        // write would have.
        if (IsReadOnly(strTarget)) {
            strError = GetLastErrorText(EACCES);
            return false;
        }
        nMode = st.st_mode & 07777;
        // A reader holds the file's shared lock while it checks the password; the new contents wait until
        // it has finished. The lock stays taken until they are in place. The file opened must be the one
        // looked at: a link put in its place meanwhile is not followed.
        fdLocked = ::open(Native(strTarget).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat stLocked {};
        if (fdLocked >= 0 && ::fstat(fdLocked, &stLocked) == 0 &&
            (stLocked.st_dev != st.st_dev || stLocked.st_ino != st.st_ino)) {
            ::close(fdLocked);
            strError = GetLastErrorText(EAGAIN);
            return false;
        }
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
        if (bExists && (nErr == EACCES || nErr == EPERM)) {
            // Nor can such a folder take a new backup: one already there is rewritten in place, else the save
            // goes on and says that the old version is gone.
            const bool bBackedUp = bKeepBackup && BackupInPlace(strTarget);
            if (!WriteInPlace(fdLocked, bytes, strError))
                return false;
            if (bKeepBackup && !bBackedUp)
                strError = LoadString(IDS_BACKUP_NOT_KEPT)
                               .arg(QFileInfo(BackupPathOf(strTarget)).fileName(), GetLastErrorText(nErr));
            return true;
        }
        strError = GetLastErrorText(nErr);
        return false;
    }
    auto fail = [&](int nErr) {
        ::close(fd);
        ::unlink(tmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    };
    // The file keeps its group when the user is a member of it, so a file shared with a group stays
    // shared. Group first, since a change of group may clear mode bits.
    if (bExists && st.st_gid != ::getegid())
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
    // The old version gets its second name before the new one takes the file's, and joins the backup's
    // name only after: whatever fails before then, the file and its old backup are as they were.
    QByteArray bakTmpl;
    if (bExists && bKeepBackup) {
        bakTmpl =
            Native(target.absolutePath() + QLatin1String("/.") + target.fileName() + QLatin1String(".bak.XXXXXX"));
        int nErr = 0;
        if (!MakeBackupTemp(Native(strTarget), st, bakTmpl, nErr)) {
            ::unlink(tmpl.constData());
            strError = BackupFailedText(strTarget, nErr);
            return false;
        }
    }
    if (::rename(tmpl.constData(), Native(strTarget).constData()) != 0) {
        const int nErr = errno;
        ::unlink(tmpl.constData());
        if (!bakTmpl.isEmpty())
            ::unlink(bakTmpl.constData());
        strError = GetLastErrorText(nErr);
        return false;
    }
    // Should this rename fail (another user's file under the backup's name in a shared folder), the save
    // has still happened: the temporary copy goes, and the caller hears that no backup was kept.
    // Root could rename over another user's file there; it is left as it is all the same.
    const QByteArray bak = Native(BackupPathOf(strTarget));
    struct stat stBak {};
    const bool bOthersBackup = ::lstat(bak.constData(), &stBak) == 0 && stBak.st_uid != ::geteuid();
    if (!bakTmpl.isEmpty() && (bOthersBackup || ::rename(bakTmpl.constData(), bak.constData()) != 0)) {
        const int nErr = bOthersBackup ? EPERM : errno;
        ::unlink(bakTmpl.constData());
        strError = LoadString(IDS_BACKUP_NOT_RENAMED)
                       .arg(QFileInfo(BackupPathOf(strTarget)).fileName(), GetLastErrorText(nErr));
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

int CreateSecretFile(const QString& strPath, bool bReplace) {
    // Never through a link, even when replacing: it could lead the passwords into someone else's file.
    const int nFlags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (bReplace ? O_TRUNC : O_EXCL);
    const int fd = ::open(Native(strPath).constData(), nFlags, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return -1;
    // A file replaced may have let others read it: it is about to hold every password.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0)) {
        const int nErr = errno;
        ::close(fd);
        errno = nErr;
        return -1;
    }
    return fd;
}

bool WriteSecretFile(const QString& strPath, std::string_view bytes, bool bReplace, QString& strError) {
    const int fd = CreateSecretFile(strPath, bReplace);
    if (fd < 0) {
        strError = GetLastErrorText(errno);
        return false;
    }
    struct stat st {};
    bool bOk =
        WriteAll(fd, bytes.data(), bytes.size()) && ::fstat(fd, &st) == 0 && (!S_ISREG(st.st_mode) || ::fsync(fd) == 0);
    int nErr = errno;
    if (::close(fd) != 0 && bOk) {
        bOk = false;
        nErr = errno;
    }
    if (!bOk) {
        // Half a file of passwords is no use to anyone, and one this call made need not stay.
        if (!bReplace)
            ::unlink(Native(strPath).constData());
        strError = GetLastErrorText(nErr);
    }
    return bOk;
}

bool OverwriteAndRemove(const QString& strPath, int& nErr) {
    const QByteArray path = Native(strPath);
    // Never through a link, and never anything but a regular file: the zeros go to the export and only to it.
    const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        nErr = errno;
        return false;
    }
    struct stat st {};
    bool bOk = ::fstat(fd, &st) == 0;
    if (bOk && !S_ISREG(st.st_mode)) {
        ::close(fd);
        nErr = kErrNotRegularFile;
        return false;
    }
    bOk = bOk && FileWipe::WriteZeros(fd, st.st_size);
    nErr = errno;
    if (::close(fd) != 0 && bOk) {
        bOk = false;
        nErr = errno;
    }
    if (bOk && ::unlink(path.constData()) != 0) {
        bOk = false;
        nErr = errno;
    }
    return bOk;
}

} // namespace FileAccess
