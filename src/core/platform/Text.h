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
// The Windows-1252 bytes of UTF-8 text, as a file written on Windows holds them. False when the bytes are
// not UTF-8 or hold a character that Windows-1252 lacks.
bool ToWindows1252(std::string_view utf8, std::string& strBytes);
