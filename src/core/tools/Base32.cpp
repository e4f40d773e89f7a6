#include "core/tools/Base32.h"

#include "core/platform/SecureWipe.h"

#include <cstdint>

namespace Base32 {

bool Decode(std::string_view strText, std::string& bytes) {
    WipeString(bytes);
    bytes.reserve(strText.size() * 5 / 8 + 1);
    std::uint32_t nBits = 0; // the bits read and not yet a whole byte, lowest last
    int nHeld = 0;
    std::size_t nChars = 0;
    bool bPadding = false;
    for (const char c : strText) {
        if (c == ' ' || c == '\t')
            continue;
        if (c == '=') {
            bPadding = true;
            continue;
        }
        int nValue = -1;
        if (c >= 'A' && c <= 'Z')
            nValue = c - 'A';
        else if (c >= 'a' && c <= 'z')
            nValue = c - 'a';
        else if (c >= '2' && c <= '7')
            nValue = c - '2' + 26;
        if (nValue < 0 || bPadding) {
            nBits = 0;
            WipeString(bytes);
            return false;
        }
        ++nChars;
        nBits = (nBits << 5) | static_cast<std::uint32_t>(nValue);
        nHeld += 5;
        if (nHeld >= 8) {
            nHeld -= 8;
            bytes += static_cast<char>((nBits >> nHeld) & 0xFF);
            nBits &= (1u << nHeld) - 1;
        }
    }
    nBits = 0;
    // 2, 4, 5 and 7 characters end a group's 1 to 4 bytes; 1, 3 and 6 leave bits that make no byte.
    const std::size_t nTail = nChars % 8;
    if (nTail == 1 || nTail == 3 || nTail == 6) {
        WipeString(bytes);
        return false;
    }
    return true;
}

} // namespace Base32
