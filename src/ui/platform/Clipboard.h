#pragma once

#include <string>

// The clipboard as the program uses it: plain text in and out. Text the program puts there goes out
// with the password-manager hint, so clipboard managers and history tools leave it alone.
// False when the clipboard holds no text.
bool GetClipboardText(std::string& strText);
bool PutTextOnClipboard(const std::string& strText);
// True when the clipboard holds exactly the text PutTextOnClipboard(strText) put there. Bytes that are not
// UTF-8 go out as the characters they show, so the clipboard's text is compared in that form.
bool IsTextOnClipboard(const std::string& strText);
// Empties the clipboard.
void EmptyClipboard();
