#pragma once

#include <string>

// The clipboard as the program uses it: plain text in and out. Text the program puts there goes out
// with the password-manager hint, so clipboard managers and history tools leave it alone.
// False when the clipboard holds no text.
bool GetClipboardText(std::string& strText);
// bSecret false leaves the hint out: text that is no secret (a user name, a URL) may join clipboard histories.
bool PutTextOnClipboard(const std::string& strText, bool bSecret = true);
// True when the clipboard's text is exactly strText as the program puts it there. Compared as text: bytes
// that are not UTF-8 travel as the Windows-1252 characters they stand for.
bool IsTextOnClipboard(const std::string& strText);
// Empties the clipboard.
void EmptyClipboard();
