#pragma once

#include <QString>

#include <string>
#include <string_view>

// Record fields and settings are 8-bit texts. On Linux the 8-bit encoding is UTF-8; files written on
// Windows may hold bytes that are not valid UTF-8, and those are shown as Windows-1252 rather than
// replaced, so nothing a user stored turns into question marks.
QString ToDisplayText(std::string_view bytes);
// True when the bytes are valid UTF-8 (plain ASCII included).
bool IsUtf8Text(std::string_view bytes);
std::string FromDisplayText(const QString& text);
// Reads back a field that was filled with ToDisplayText(strBytes) and showed strShown: when the user left it
// as it was, strBytes keeps its very bytes (bytes from Windows that only display as characters would not
// survive the round trip, nor line breaks a control rewrites); otherwise it takes the field's text.
void TakeDisplayText(std::string& strBytes, const QString& strNow, const QString& strShown);
// The same for a multi-line field, whose control gives its line breaks back as LF: a changed text is stored
// with CR LF breaks, as the files' home system writes them, so files stay readable there.
void TakeDisplayLines(std::string& strBytes, const QString& strNow, const QString& strShown);

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);
// The text without the white space (blank, tab, line breaks, vertical tab, form feed) at its two ends.
std::string TrimWhiteSpace(std::string_view bytes);
// The Windows-1252 bytes of UTF-8 text, as a file written on Windows holds them. False when the bytes are
// not UTF-8 or hold a character that Windows-1252 lacks.
bool ToWindows1252(std::string_view utf8, std::string& strBytes);
