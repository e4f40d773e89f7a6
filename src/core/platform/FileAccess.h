#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

// File services the document relies on: reading a file while others may read but not write it,
// last-write times, and a save that never leaves a half-written database behind.
namespace FileAccess {

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

    // Opens the file for reading and takes the shared lock. On failure returns false; Error() says why.
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
// then renamed over it. On failure the target is exactly as it was, the temporary file is gone, and
// strError holds the system's reason. A new file is created owner-only (0600); an existing file keeps
// its permissions, and its group when its owner cannot be kept; a read-only file is refused. A path that
// is a symbolic link saves to the file it points at.
// An existing file that a reader holds under CSharedReadLock is not touched: the save fails, saying so.
// A folder that refuses new files (a shared folder where only the file is writable) gets the file written
// in place instead: its space is reserved first, so a full disk fails before a byte is changed.
bool SaveFileAtomically(const QString& strPath, std::string_view bytes, QString& strError);

} // namespace FileAccess
