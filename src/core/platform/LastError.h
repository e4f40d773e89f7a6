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
