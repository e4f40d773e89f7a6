#pragma once

#include <QString>

#include <sys/types.h>

// Taking away an old version of a secret file: its bytes overwritten, then its name removed. A file the
// file system reaches by other names (hard links) keeps them: only this name goes, as zeros written through
// it would reach the other names too.
namespace FileWipe {

enum class EResult {
    absent,   // nothing at the path
    wiped,    // zeros written over the whole file, synced, and the name removed
    unlinked, // the name removed only: the file has other names, which still hold it
    failed,   // nothing removed; nErr says why
};

// Zeros over the first nSize bytes of the open file fd, then synced; false with errno set on a failure.
bool WriteZeros(int fd, off_t nSize);

// nOtherNames: the file's names besides this one, before it was removed.
EResult WipeAndRemove(const QString& strPath, int& nOtherNames, int& nErr);

// How many names the file at strPath has besides strPath itself and, when it is the same file, strAlso
// (its own backup, made as a hard link); 0 when it cannot be read.
int OtherNames(const QString& strPath, const QString& strAlso);

} // namespace FileWipe
