#include "ui/platform/KeyboardLocks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

bool QueryKeyboardLocks(bool& bCapsLock, bool& bNumLock) {
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (pDisplay == nullptr)
        return false;
    XkbStateRec state;
    if (XkbGetState(pDisplay, XkbUseCoreKbd, &state) != Success)
        return false;
    // Num Lock is whichever modifier the server bound to it, usually Mod2.
    const unsigned nNumMask = XkbKeysymToModifiers(pDisplay, XK_Num_Lock);
    bCapsLock = (state.locked_mods & LockMask) != 0;
    bNumLock = nNumMask != 0 && (state.locked_mods & nNumMask) != 0;
    return true;
}
