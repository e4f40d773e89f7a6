#pragma once

#include <QString>
#include <QStringList>

// The copies that file synchronisation tools leave beside a file both machines changed at once:
//   Syncthing  NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.lwd
//   Nextcloud  NAME (conflicted copy YYYY-MM-DD HHMMSS).lwd, also with the user's name before the date
//   Dropbox    NAME (HOST's conflicted copy YYYY-MM-DD).lwd, also with " (N)" after the date
// Names are matched exactly, so a file that only looks like a copy ("NAME (copy).lwd", another file's
// copy, another extension) is left alone.

// True when strCandidate (a file name, no folder) is such a copy of strFileName (a file name, no folder).
bool IsConflictCopyName(const QString& strFileName, const QString& strCandidate);
// The full paths of the copies of the file at strPath lying beside it, in name order.
QStringList FindConflictCopies(const QString& strPath);
