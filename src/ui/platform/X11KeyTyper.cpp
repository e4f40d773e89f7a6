#include "ui/platform/KeyTyper.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <map>
#include <thread>

namespace {

// Between keys, and around a key map change: the window typed into reads its events at its own pace, and reads a
// remapped key with the map it has when the event arrives.
constexpr auto kKeyPause = std::chrono::milliseconds(8);
constexpr auto kMapPause = std::chrono::milliseconds(60);

class CX11KeyTyper : public CKeyTyper {
public:
    explicit CX11KeyTyper(const char* pszDisplay) : m_pDisplay(XOpenDisplay(pszDisplay)) {}
    ~CX11KeyTyper() override {
        if (m_pDisplay != nullptr)
            XCloseDisplay(m_pDisplay);
    }
    CX11KeyTyper(const CX11KeyTyper&) = delete;
    CX11KeyTyper& operator=(const CX11KeyTyper&) = delete;

    bool IsAvailable(std::string& strWhy) override {
        if (m_pDisplay == nullptr) {
            strWhy = "there is no X display to type into";
            return false;
        }
        int nEvent = 0, nError = 0, nMajor = 0, nMinor = 0;
        if (!XTestQueryExtension(m_pDisplay, &nEvent, &nError, &nMajor, &nMinor)) {
            strWhy = "the X display has no XTEST extension, which typing needs";
            return false;
        }
        return true;
    }

    bool Type(const std::vector<AutoTypeSequence::CStep>& steps, std::string& strError) override {
        if (!IsAvailable(strError))
            return false;
        XkbSelectEvents(m_pDisplay, XkbUseCoreKbd, 0, 0);
        ReleaseHeldModifiers();
        const bool bCapsLock = IsCapsLockOn();
        if (bCapsLock)
            TapKeysym(XK_Caps_Lock);
        ForEachKey(
            steps, [this](int nKeysym) { TypeKeysym(static_cast<KeySym>(nKeysym)); },
            [this](int nMilliseconds) {
                XSync(m_pDisplay, False);
                std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
            });
        if (bCapsLock)
            TapKeysym(XK_Caps_Lock);
        FreeSpareKeys();
        return true;
    }

private:
    // The key and shift level (0 or 1) that give a keysym in the first group, or 0.
    KeyCode Find(KeySym keysym, int& nLevel) const {
        int nMin = 0, nMax = 0;
        XDisplayKeycodes(m_pDisplay, &nMin, &nMax);
        for (int nCode = nMin; nCode <= nMax; ++nCode) {
            for (int l = 0; l < 2; ++l) {
                if (XkbKeycodeToKeysym(m_pDisplay, static_cast<KeyCode>(nCode), 0, l) == keysym) {
                    nLevel = l;
                    return static_cast<KeyCode>(nCode);
                }
            }
        }
        return 0;
    }

    // A key with no symbol on it, given keysym until FreeSpareKeys; each character a key of its own, so a window
    // still reading an earlier one reads it right.
    KeyCode SpareKeyFor(KeySym keysym) {
        if (const auto it = m_spare.find(keysym); it != m_spare.end())
            return it->second;
        int nMin = 0, nMax = 0;
        XDisplayKeycodes(m_pDisplay, &nMin, &nMax);
        int nPerCode = 0;
        KeySym* pMap = XGetKeyboardMapping(m_pDisplay, static_cast<KeyCode>(nMin), nMax - nMin + 1, &nPerCode);
        if (pMap == nullptr)
            return 0;
        KeyCode spare = 0;
        for (int nCode = nMax; nCode >= nMin && spare == 0; --nCode) {
            bool bEmpty = true;
            for (int i = 0; i < nPerCode && bEmpty; ++i)
                bEmpty = pMap[(nCode - nMin) * nPerCode + i] == NoSymbol;
            bool bTaken = false;
            for (const auto& [sym, code] : m_spare)
                bTaken |= code == nCode;
            if (bEmpty && !bTaken)
                spare = static_cast<KeyCode>(nCode);
        }
        XFree(pMap);
        if (spare == 0)
            return 0;
        KeySym syms[2] = {keysym, keysym};
        XChangeKeyboardMapping(m_pDisplay, spare, 2, syms, 1);
        XSync(m_pDisplay, False);
        std::this_thread::sleep_for(kMapPause);
        m_spare[keysym] = spare;
        return spare;
    }

    void FreeSpareKeys() {
        if (m_spare.empty())
            return;
        XSync(m_pDisplay, False);
        std::this_thread::sleep_for(kMapPause);
        for (const auto& [sym, code] : m_spare) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(m_pDisplay, code, 2, none, 1);
        }
        XSync(m_pDisplay, False);
        m_spare.clear();
    }

    void Press(KeyCode code, bool bDown) { XTestFakeKeyEvent(m_pDisplay, code, bDown ? True : False, CurrentTime); }

    void TapCode(KeyCode code, bool bShift) {
        const KeyCode shift = XKeysymToKeycode(m_pDisplay, XK_Shift_L);
        if (bShift)
            Press(shift, true);
        Press(code, true);
        Press(code, false);
        if (bShift)
            Press(shift, false);
        XSync(m_pDisplay, False);
        std::this_thread::sleep_for(kKeyPause);
    }

    void TapKeysym(KeySym keysym) {
        int nLevel = 0;
        if (const KeyCode code = Find(keysym, nLevel))
            TapCode(code, nLevel == 1);
    }

    // A keysym the layout lacks goes on a spare key.
    void TypeKeysym(KeySym keysym) {
        int nLevel = 0;
        if (const KeyCode code = Find(keysym, nLevel)) {
            TapCode(code, nLevel == 1);
            return;
        }
        if (const KeyCode code = SpareKeyFor(keysym))
            TapCode(code, false);
    }

    // A modifier still held from the keys that started auto-type would turn the typing into shortcuts.
    void ReleaseHeldModifiers() {
        char keys[32] = {};
        XQueryKeymap(m_pDisplay, keys);
        XModifierKeymap* pModifiers = XGetModifierMapping(m_pDisplay);
        if (pModifiers == nullptr)
            return;
        for (int i = 0; i < 8 * pModifiers->max_keypermod; ++i) {
            const KeyCode code = pModifiers->modifiermap[i];
            if (code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0)
                Press(code, false);
        }
        XFreeModifiermap(pModifiers);
        XSync(m_pDisplay, False);
    }

    bool IsCapsLockOn() const {
        XkbStateRec state{};
        return XkbGetState(m_pDisplay, XkbUseCoreKbd, &state) == Success && (state.locked_mods & LockMask) != 0;
    }

    Display* m_pDisplay;
    std::map<KeySym, KeyCode> m_spare;
};

} // namespace

std::unique_ptr<CKeyTyper> MakeX11KeyTyper(const char* pszDisplay) {
    return std::make_unique<CX11KeyTyper>(pszDisplay);
}
