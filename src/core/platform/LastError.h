#pragma once

#include <QString>

// The text of the last system failure: the reason a platform service gave for its last failure when it
// gave one (opening a link through the desktop), else errno's text, trimmed; "Last Error = %d" when the
// system has no text for the code.
QString GetLastErrorText();
QString GetLastErrorText(int nCode);

// A platform service that fails with a reason of its own (not an errno) records it here; the next
// GetLastErrorText() returns it once.
void SetLastErrorReason(const QString& strReason);

// Failures of this program's own, worded by GetLastErrorText(int) like the system's: well outside errno's
// range, so no system code is ever taken for them.
inline constexpr int kErrNotRegularFile = 0x4C570001;
inline constexpr int kErrFileTooLarge = 0x4C570002;
