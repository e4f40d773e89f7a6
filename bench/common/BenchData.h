#pragma once

#include "core/database/SiteInfo.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace BenchData {

// A text of nLength printable bytes drawn from the generator.
inline std::string RandomText(std::mt19937& rng, std::size_t nLength) {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,-_/:@!#";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string str(nLength, ' ');
    for (char& c : str)
        c = kChars[pick(rng)];
    return str;
}

// nCount records of the sizes a real database holds (site names of 10-30 bytes, URLs of about 30, user
// names of about 10, passwords of 12, notes of about 40), the same records for the same seed.
inline CSiteArray MakeSites(std::size_t nCount, std::uint32_t nSeed = 20240601) {
    std::mt19937 rng(nSeed);
    std::uniform_int_distribution<std::size_t> site(10, 30), url(24, 36), user(6, 14), notes(30, 50);
    CSiteArray sites;
    sites.reserve(nCount);
    for (std::size_t i = 0; i < nCount; ++i) {
        std::string strSite = RandomText(rng, site(rng));
        std::string strURL = "https://" + RandomText(rng, url(rng) - 8);
        std::string strUser = RandomText(rng, user(rng));
        std::string strPswd = RandomText(rng, 12);
        std::string strNotes = RandomText(rng, notes(rng));
        sites.push_back(std::make_unique<CSiteInfo>(std::move(strSite), std::move(strURL), std::move(strUser),
                                                    std::move(strPswd), std::move(strNotes)));
    }
    return sites;
}

} // namespace BenchData
