// Reads arbitrary bytes as a site's notes for a one-time code. A code line is either read, with settings
// that make a code of the right form, or refused with a reason and the line's number, and no secret kept.
#include "core/tools/OneTimeCode.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view notes(reinterpret_cast<const char*>(pData), nSize);
    OneTimeCode::CSettings settings;
    const OneTimeCode::CLine line = OneTimeCode::Read(notes, settings);
    const std::size_t nLines = 1 + static_cast<std::size_t>(std::count(notes.begin(), notes.end(), '\n'));
    switch (line.kind) {
    case OneTimeCode::ELine::none:
        if (line.nLine != 0 || !settings.strKey.empty())
            std::abort();
        return 0;
    case OneTimeCode::ELine::invalid:
    case OneTimeCode::ELine::unsupported:
        if (line.strReason.empty() || line.nLine < 1 || line.nLine > nLines || !settings.strKey.empty())
            std::abort();
        return 0;
    case OneTimeCode::ELine::code:
        break;
    }
    if (line.nLine < 1 || line.nLine > nLines || settings.strKey.empty() || settings.nPeriod == 0 ||
        settings.nDigits < 6 || settings.nDigits > 8)
        std::abort();
    // The time from the input's last bytes, any time at all.
    std::uint64_t nTime = 0;
    for (std::size_t i = nSize > 8 ? nSize - 8 : 0; i < nSize; ++i)
        nTime = (nTime << 8) | pData[i];
    const std::string strCode = OneTimeCode::Code(settings, nTime);
    const bool bForm =
        settings.bSteam
            ? strCode.size() == 5 && strCode.find_first_not_of("23456789BCDFGHJKMNPQRTVWXY") == std::string::npos
            : strCode.size() == settings.nDigits && strCode.find_first_not_of("0123456789") == std::string::npos;
    if (!bForm || OneTimeCode::SecondsLeft(settings, nTime) < 1 ||
        OneTimeCode::SecondsLeft(settings, nTime) > settings.nPeriod)
        std::abort();
    return 0;
}
