#pragma once

#include <QString>

// Hands a URL (a web page, a "mailto:" link) to the desktop, which opens it in the user's program for it.
// False when the desktop could not; the reason is then GetLastErrorText()'s.
bool ShellOpen(const QString& strUrl);
