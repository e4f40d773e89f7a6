#pragma once

#include <QString>

// Moves a file to the desktop's trash (the freedesktop.org home trash, $XDG_DATA_HOME/Trash: the file in
// files/, where it came from and when in info/NAME.trashinfo), so the user can still take it back. The
// trash and the folders above it are made, owner-only, when they are missing. Where there is no trash on
// the file's disk the file is deleted, and bDeleted says so. False with the reason in nError (an errno)
// when neither could be done; the file is then where it was.
bool MoveToTrash(const QString& strPath, int& nError, bool& bDeleted);
bool MoveToTrash(const QString& strPath, int& nError);
