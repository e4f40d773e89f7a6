#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One-time codes (TOTP, RFC 6238) from a line of a site's notes: an otpauth://totp/ URI as a setup page's
// QR code holds it, or "totp: SECRET" with the secret in base32. The file keeps only the notes; the
// secret is read from them when a code is wanted and wiped after.
namespace OneTimeCode {

enum class EHash { sha1, sha256, sha512 };

// How a site's codes are made. The secret's bytes are wiped when the settings go.
struct CSettings {
    std::string strKey;
    EHash hash = EHash::sha1;
    unsigned nDigits = 6;
    std::uint64_t nPeriod = 30;
    bool bSteam = false; // Steam's five letters and digits instead of decimal digits

    CSettings() = default;
    ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;
};

enum class ELine {
    none,        // no line of the notes is a code line
    code,        // the settings are read
    invalid,     // a code line that gives no code, and why
    unsupported, // a code line of a kind this program does not make (counter-based codes)
};

struct CLine {
    ELine kind = ELine::none;
    std::size_t nLine = 0; // the code line's place among the notes' lines, from 1
    std::string strReason; // for invalid and unsupported; it never quotes the secret

    // "line N of the notes: REASON", as the companion and Password Health tell it.
    std::string Problem() const;
};

// Reads the site's code line: the first line of the notes that begins "otpauth:" or "totp:" (in any
// case, after any blanks). Later code lines are notes like any other. settings are filled only for
// ELine::code.
CLine Read(std::string_view strNotes, CSettings& settings);

// The code at nTime, in seconds since 1970.
std::string Code(const CSettings& settings, std::uint64_t nTime);
// Seconds until the code at nTime changes: from 1 to the period.
std::uint64_t SecondsLeft(const CSettings& settings, std::uint64_t nTime);

} // namespace OneTimeCode
