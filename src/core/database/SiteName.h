#pragma once

#include <string_view>

// `list` and `find` print one site name a line: a name that holds a line break, a tab or another control
// character would break its line, or reach the terminal as a command. Such names are refused on the way in
// (IDS_SITE_NAME_CONTROL says so).
// True for the C0 controls, DEL, and the C1 controls written in UTF-8. A byte from 0x80 to 0x9F alone is
// a printable character of a Windows file (the euro sign, quotes) and stays allowed.
bool HasControlCharacter(std::string_view strName);

// The rule for a name given to the document (typed in the form, given to the companion, imported): not
// empty, and no control character. The document's AddSite and ReplaceSite keep it; a name read from a
// database file is kept as the file holds it.
enum class ESiteNameFault { none, empty, control };
ESiteNameFault SiteNameFault(std::string_view strName);
