#include "ui/platform/KeyTyper.h"

int KeysymOfCharacter(char32_t c) {
    if (c == U'\n' || c == U'\r')
        return kKeysymReturn;
    if (c == U'\t')
        return kKeysymTab;
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    return static_cast<int>(0x01000000 | c);
}
