#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <sys/types.h>

// File services the document relies on: reading a file while others may read but not write it,
// last-write times, and a save that never leaves a half-written database behind.
namespace FileAccess {

// The largest database or CSV file that is read: a file of 100,000 sites is about 10 MB, and a larger one
// is a mistake (a device, a disk image) that would otherwise fill the memory.
inline constexpr std::int64_t kMaxFileSize = std::int64_t{256} << 20;

// What tells one version of a file from the next: the modification time to the nanosecond, the size and
// the inode (a sync tool replaces a file by renaming a new one over it). Invalid when never read.
struct CFileStamp {
    bool bValid = false;
    std::int64_t tSeconds = 0;
    long nNanoseconds = 0;
    std::int64_t nSize = 0;
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;

    bool operator==(const CFileStamp&) const = default;
};
CFileStamp GetFileStamp(const QString& strPath);
CFileStamp GetFileStamp(int fd);

// Opens strPath for reading without ever blocking (a FIFO would wait for a writer for ever), then refuses
// anything but a regular file of at most nMaxSize bytes. Returns the descriptor, blocking again, or
// -1 with errno set: EISDIR for a folder, kErrNotRegularFile, kErrFileTooLarge or the system's reason.
// A file looked up in place and never read whole (a breach list of many gigabytes) passes no limit.
inline constexpr std::int64_t kNoSizeLimit = std::numeric_limits<std::int64_t>::max();
int OpenRegularFile(const QString& strPath, std::int64_t nMaxSize = kMaxFileSize);
// Reads the whole of such a file. False with nErr set as above.
bool ReadRegularFile(const QString& strPath, std::string& strBytes, int& nErr);

// The name of the user uid, or the number when the system knows no name for it.
QString OwnerName(uid_t uid);

// Last-write time in whole seconds since 1970, low 32 bits. False when the file's attributes cannot be read.
bool GetFileTime(const QString& strPath, std::int32_t& tTime);
// The same for the file open on descriptor fd.
bool GetFileTime(int fd, std::int32_t& tTime);

// True for an existing file that may not be written: one this user cannot write, or one with no write
// permission for anybody (the read-only mark, which holds even for root).
bool IsReadOnly(const QString& strPath);

// An open file descriptor holding a shared lock for as long as the object lives: other readers are
// welcome, a writer that asks for the lock is refused.
class CSharedReadLock {
public:
    CSharedReadLock() = default;
    ~CSharedReadLock();
    CSharedReadLock(const CSharedReadLock&) = delete;
    CSharedReadLock& operator=(const CSharedReadLock&) = delete;

    // Opens the file for reading (as OpenRegularFile) and takes the shared lock. On failure returns false;
    // Error() says why.
    bool Open(const QString& strPath);
    void Close();
    int Handle() const { return m_fd; }
    // The system's error number of the last failed Open.
    int Error() const { return m_nError; }

private:
    int m_fd = -1;
    int m_nError = 0;
};

// Writes bytes to strPath atomically: a temporary file beside the target is written, flushed and synced,
// then renamed over it. On failure the target is exactly as it was, the temporary files are gone, and
// strError holds the system's reason. A new file is created owner-only (0600); an existing file keeps
// its permissions, and its group when the user is a member of it; a read-only file is refused, and so is
// a file another user owns (IDS_FILE_OF_ANOTHER_USER, naming the owner), whatever its mode. A path that
// is a symbolic link saves to the file it points at when that is the user's own.
// An existing file that a reader holds under CSharedReadLock is not touched: the save fails, saying so.
// A folder that refuses new files (a shared folder where only the file is writable) gets the file written
// in place instead: its space is reserved first, so a full disk fails before a byte is changed.
// With bKeepBackup, the file being replaced stays beside it as NAME.bak (BackupPathOf), owner-only, in place
// of the previous one: a hard link to it when it is already owner-only, else a copy, made before the
// rename, so the old version is never moved away. When no backup can be made the save fails
// (IDS_BACKUP_FAILED), the file and its old backup untouched. A folder that refuses new files cannot hold
// a new one: there a backup already present (and this user's) is rewritten in place; without one the file
// is still saved in place, and strError says the old version was not kept (IDS_BACKUP_NOT_KEPT) while the
// call returns true. So it does when the backup's name cannot be taken (another user's file under it in a
// sticky folder): the temporary copy is removed.
bool SaveFileAtomically(const QString& strPath, std::string_view bytes, QString& strError, bool bKeepBackup = false);
// Where a save with bKeepBackup keeps the previous version of strPath: "NAME.lwd.bak" beside "NAME.lwd".
QString BackupPathOf(const QString& strPath);

// Creates a file that will hold secrets in clear (an export) for writing: owner-only, never through a link
// left at the path (ELOOP), and never over a file already there unless bReplace says to replace it (which
// makes a regular file owner-only before anything is written). Returns the descriptor or -1 with errno set.
int CreateSecretFile(const QString& strPath, bool bReplace);
// Writes bytes to such a file and syncs it. False with the system's reason; a file this call created is then
// removed.
bool WriteSecretFile(const QString& strPath, std::string_view bytes, bool bReplace, QString& strError);

// Overwrites a clear-text file (an export that was imported) with zeros, syncs it and removes it. On a
// copy-on-write or flash file system the old blocks may survive; the name and the text at least are gone.
// False with nErr set (kErrNotRegularFile for anything but a regular file, never followed through a link);
// the file may then be overwritten but still there.
bool OverwriteAndRemove(const QString& strPath, int& nErr);

} // namespace FileAccess
