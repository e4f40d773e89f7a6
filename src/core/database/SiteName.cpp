#include "core/database/SiteName.h"

bool HasControlCharacter(std::string_view strName) {
    for (std::size_t i = 0; i < strName.size(); ++i) {
        const auto c = static_cast<unsigned char>(strName[i]);
        if (c < 0x20 || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < strName.size()) {
            const auto next = static_cast<unsigned char>(strName[i + 1]);
            if (next >= 0x80 && next <= 0x9F)
                return true;
        }
    }
    return false;
}

ESiteNameFault SiteNameFault(std::string_view strName) {
    if (strName.empty())
        return ESiteNameFault::empty;
    return HasControlCharacter(strName) ? ESiteNameFault::control : ESiteNameFault::none;
}
