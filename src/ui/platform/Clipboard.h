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

// What the secret clipboard does with the desktop's clipboard. Tests put a double in its place, as a desktop that
// refuses a clear does.
class CClipboardAccess {
public:
    virtual ~CClipboardAccess() = default;
    virtual bool Put(const std::string& strText) { return PutTextOnClipboard(strText); }
    virtual bool Holds(const std::string& strText) { return IsTextOnClipboard(strText); }
    virtual void Empty() { EmptyClipboard(); }
    // Whether an Empty can be checked with the desktop itself: on Wayland, where a compositor may ignore a clipboard
    // change from a window without the focus, and wl-paste can ask it.
    virtual bool CanAskDesktop();
    // The desktop still offers a secret (a copy with the password managers' hint), as another program sees it.
    virtual bool DesktopOffersSecret();
    // Clears the clipboard through the desktop's own tool (wl-copy --clear); false when that is missing or failed.
    virtual bool ClearThroughDesktop();
};
