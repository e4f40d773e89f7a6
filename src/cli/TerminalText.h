#pragma once

#include <string>
#include <string_view>

// Stored fields on their way to a terminal: a field may hold escape sequences that would drive the
// terminal (move the cursor, retitle the window, hide what follows), so control characters are shown as
// "\xHH" there. C0 controls, DEL and the C1 controls U+0080-U+009F in UTF-8 are escaped; with bKeepLines,
// LF and CR LF stay line breaks (the notes' own lines).
void AppendEscaped(std::string& out, std::string_view str, bool bKeepLines);
