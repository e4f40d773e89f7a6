#pragma once

#include "core/platform/FileAccess.h"

#include <QString>
#include <QStringList>

#include <vector>

// The copies that file synchronisation tools leave beside a file both machines changed at once:
//   Syncthing  NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.lwd
//   Nextcloud  NAME (conflicted copy YYYY-MM-DD HHMMSS).lwd, also with the user's name before the date
//   Dropbox    NAME (HOST's conflicted copy YYYY-MM-DD).lwd, also with " (N)" after the date
// Names are matched exactly, so a file that only looks like a copy ("NAME (copy).lwd", another file's
// copy, another extension) is left alone. In a folder others may write, a name proves nothing: only a
// regular file of this user's, not a symbolic link, counts as a copy.

// True when strCandidate (a file name, no folder) is such a copy of strFileName (a file name, no folder).
bool IsConflictCopyName(const QString& strFileName, const QString& strCandidate);

// A file named as a copy that is not taken for one, and why: "it is a symbolic link", "it is not a regular
// file", "it belongs to another user (NAME)".
struct CSkippedCopy {
    QString strPath;
    QString strReason;
};

// The full paths of the copies of the file at strPath lying beside it, in name order. The files named so
// that are not copies are added to pSkipped when given.
QStringList FindConflictCopies(const QString& strPath, std::vector<CSkippedCopy>* pSkipped = nullptr);

// Looks at one copy as it is now, never through a link: true with its stamp when it is a regular file of
// this user's, else false with the reason.
bool CheckConflictCopy(const QString& strPath, FileAccess::CFileStamp& stamp, QString& strReason);
