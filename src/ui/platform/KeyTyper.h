#pragma once

#include "core/tools/AutoTypeSequence.h"

#include <QList>

#include <memory>
#include <string>
#include <vector>

// Types into whatever window has the keyboard focus, as the keyboard would. Nothing typed is ever logged.
class CKeyTyper {
public:
    virtual ~CKeyTyper() = default;
    // False with the reason when this desktop cannot be typed into (no X display, no XTEST).
    virtual bool IsAvailable(std::string& strWhy) = 0;
    virtual bool Type(const std::vector<AutoTypeSequence::CStep>& steps, std::string& strError) = 0;
};

// The keysym of a character: Latin-1's printable characters are their own, Tab and line ends their keys, every
// other character its Unicode keysym.
int KeysymOfCharacter(char32_t c);
inline constexpr int kKeysymTab = 0xff09;
inline constexpr int kKeysymReturn = 0xff0d;

// Walks the steps as the keyboard types them: each character, Tab and Enter as its keysym to key(nKeysym), each
// pause to pause(nMilliseconds).
template <class Key, class Pause>
void ForEachKey(const std::vector<AutoTypeSequence::CStep>& steps, Key key, Pause pause) {
    for (const AutoTypeSequence::CStep& step : steps) {
        switch (step.eKind) {
        case AutoTypeSequence::CStep::EKind::text:
            for (const char32_t c : step.strText.toUcs4())
                key(KeysymOfCharacter(c));
            break;
        case AutoTypeSequence::CStep::EKind::tab:
            key(kKeysymTab);
            break;
        case AutoTypeSequence::CStep::EKind::enter:
            key(kKeysymReturn);
            break;
        case AutoTypeSequence::CStep::EKind::delay:
            pause(step.nMilliseconds);
            break;
        }
    }
}

// On X11 through the XTEST extension, on a display connection of its own: characters by keysym; one the
// keyboard layout lacks goes on a spare key for the moment it is typed, and the key is freed after. Modifiers the
// user still holds are released first, and Caps Lock is set aside while typing.
std::unique_ptr<CKeyTyper> MakeX11KeyTyper(const char* pszDisplay = nullptr);
