#include "core/platform/FileWipe.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace FileWipe {

bool WriteZeros(int fd, off_t nSize) {
    const std::vector<char> zeros(std::size_t{1} << 16, '\0');
    off_t nDone = 0;
    while (nDone < nSize) {
        const auto nChunk = static_cast<std::size_t>(std::min<off_t>(nSize - nDone, static_cast<off_t>(zeros.size())));
        const ssize_t n = ::pwrite(fd, zeros.data(), nChunk, nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += n;
    }
    return ::fsync(fd) == 0;
}

EResult WipeAndRemove(const QString& strPath, int& nOtherNames, int& nErr) {
    nOtherNames = 0;
    nErr = 0;
    const QByteArray path = QFile::encodeName(strPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        nErr = errno;
        return nErr == ENOENT ? EResult::absent : EResult::failed;
    }
    // Only a regular file of this user's, by this name alone, is overwritten; anything else loses its name.
    bool bWiped = false;
    if (S_ISREG(st.st_mode)) {
        nOtherNames = static_cast<int>(st.st_nlink) - 1;
        if (nOtherNames == 0 && st.st_uid == ::geteuid()) {
            const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            struct stat opened {};
            if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev ||
                !WriteZeros(fd, opened.st_size)) {
                nErr = errno == 0 ? EIO : errno;
                if (fd >= 0)
                    ::close(fd);
                return EResult::failed;
            }
            ::close(fd);
            bWiped = true;
        }
    }
    if (::unlink(path.constData()) != 0) {
        nErr = errno;
        return EResult::failed;
    }
    return bWiped ? EResult::wiped : EResult::unlinked;
}

int OtherNames(const QString& strPath, const QString& strAlso) {
    struct stat st {};
    if (::stat(QFile::encodeName(strPath).constData(), &st) != 0)
        return 0;
    int n = static_cast<int>(st.st_nlink) - 1;
    struct stat also {};
    if (!strAlso.isEmpty() && ::lstat(QFile::encodeName(strAlso).constData(), &also) == 0 && also.st_ino == st.st_ino &&
        also.st_dev == st.st_dev)
        --n;
    return std::max(n, 0);
}

} // namespace FileWipe
