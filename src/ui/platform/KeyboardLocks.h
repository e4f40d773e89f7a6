#pragma once

// Caps Lock and Num Lock as the X server's keyboard indicators show them. Qt has no portable way to ask;
// false when the display is not X11 (Wayland, offscreen), and the status panes then stay empty.
bool QueryKeyboardLocks(bool& bCapsLock, bool& bNumLock);
