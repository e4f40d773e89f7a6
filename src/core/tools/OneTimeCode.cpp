#include "core/tools/OneTimeCode.h"

#include "core/platform/SecureWipe.h"
#include "core/tools/Base32.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

#include <sodium.h>

#include <charconv>
#include <cstring>
#include <optional>

namespace OneTimeCode {

namespace {

// Steam's codes are written in these 26 characters, which no font confuses with each other.
constexpr std::string_view kSteamAlphabet = "23456789BCDFGHJKMNPQRTVWXY";
constexpr std::size_t kSteamLength = 5;
// A period no code line needs more than: a whole number of seconds that fits the counter's arithmetic.
constexpr std::uint64_t kMaxPeriod = 0xFFFFFFFF;
// How much of the stack below Code the hash functions may have used with the key in it.
constexpr std::size_t kStackToWipe = 16 << 10;

bool StartsWithNoCase(std::string_view str, std::string_view strPrefix) {
    if (str.size() < strPrefix.size())
        return false;
    for (std::size_t i = 0; i < strPrefix.size(); ++i) {
        char c = str[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != strPrefix[i])
            return false;
    }
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

std::string_view Trimmed(std::string_view str) {
    const auto nFirst = str.find_first_not_of(" \t\r");
    if (nFirst == std::string_view::npos)
        return {};
    return str.substr(nFirst, str.find_last_not_of(" \t\r") - nFirst + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A query value with its %XY escapes undone; false when a "%" is not followed by two hex digits.
bool PercentDecode(std::string_view str, std::string& strOut) {
    WipeString(strOut);
    strOut.reserve(str.size());
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] != '%') {
            strOut += str[i];
            continue;
        }
        const int nHigh = i + 2 < str.size() ? HexValue(str[i + 1]) : -1;
        const int nLow = i + 2 < str.size() ? HexValue(str[i + 2]) : -1;
        if (nHigh < 0 || nLow < 0)
            return false;
        strOut += static_cast<char>(nHigh * 16 + nLow);
        i += 2;
    }
    return true;
}

std::optional<std::uint64_t> Number(std::string_view str, std::uint64_t nMin, std::uint64_t nMax) {
    std::uint64_t n = 0;
    const char* pEnd = str.data() + str.size();
    const auto [p, ec] = std::from_chars(str.data(), pEnd, n);
    if (str.empty() || ec != std::errc() || p != pEnd || n < nMin || n > nMax)
        return std::nullopt;
    return n;
}

// Reads the base32 secret into the settings, or says why not.
bool ReadSecret(std::string_view strText, CSettings& settings, std::string& strReason) {
    if (!Base32::Decode(strText, settings.strKey)) {
        strReason = "the secret is not base32";
        return false;
    }
    if (settings.strKey.empty()) {
        strReason = "the code line has no secret";
        return false;
    }
    return true;
}

// otpauth://totp/LABEL?secret=...&algorithm=...&digits=...&period=...; the label and issuer name the
// account for a phone's list, which this program has already.
ELine ReadUri(std::string_view strLine, CSettings& settings, std::string& strReason) {
    constexpr std::string_view kScheme = "otpauth://";
    if (!StartsWithNoCase(strLine, kScheme)) {
        strReason = "an otpauth line begins otpauth://totp/";
        return ELine::invalid;
    }
    std::string_view strRest = strLine.substr(kScheme.size());
    const std::string_view strType = strRest.substr(0, strRest.find_first_of("/?#"));
    if (EqualsNoCase(strType, "hotp")) {
        strReason = "counter-based codes (otpauth://hotp/) are not supported";
        return ELine::unsupported;
    }
    if (!EqualsNoCase(strType, "totp")) {
        strReason = "an otpauth line begins otpauth://totp/";
        return ELine::invalid;
    }
    strRest = strRest.substr(0, strRest.find('#'));
    const auto nQuery = strRest.find('?');
    std::string_view strQuery = nQuery == std::string_view::npos ? std::string_view() : strRest.substr(nQuery + 1);

    // Each parameter this program reads, and whether it was given.
    struct CParam {
        explicit CParam(std::string_view strName_) : strName(strName_) {}
        std::string_view strName;
        std::string strValue;
        bool bGiven = false;
    };
    CParam params[] = {CParam("secret"), CParam("algorithm"), CParam("digits"),
                       CParam("period"), CParam("encoder"),   CParam("issuer")};
    const CWipeOnExit wipe({&params[0].strValue});
    while (!strQuery.empty()) {
        const auto nAmp = strQuery.find('&');
        const std::string_view strPair = strQuery.substr(0, nAmp);
        strQuery = nAmp == std::string_view::npos ? std::string_view() : strQuery.substr(nAmp + 1);
        const auto nEq = strPair.find('=');
        const std::string_view strName = strPair.substr(0, nEq);
        for (CParam& param : params) {
            if (!EqualsNoCase(strName, param.strName))
                continue;
            // Two values would leave it to chance which one the site meant.
            if (param.bGiven) {
                strReason = std::string(param.strName) + " is given twice";
                return ELine::invalid;
            }
            param.bGiven = true;
            if (nEq != std::string_view::npos && !PercentDecode(strPair.substr(nEq + 1), param.strValue)) {
                strReason = "the " + std::string(param.strName) + " has a \"%\" not followed by two hex digits";
                return ELine::invalid;
            }
        }
    }
    const auto& [secret, algorithm, digits, period, encoder, issuer] = params;
    if (!ReadSecret(secret.strValue, settings, strReason))
        return ELine::invalid;
    if (algorithm.bGiven) {
        if (EqualsNoCase(algorithm.strValue, "sha1")) {
            settings.hash = EHash::sha1;
        } else if (EqualsNoCase(algorithm.strValue, "sha256")) {
            settings.hash = EHash::sha256;
        } else if (EqualsNoCase(algorithm.strValue, "sha512")) {
            settings.hash = EHash::sha512;
        } else {
            strReason = "the algorithm is not SHA1, SHA256 or SHA512";
            return ELine::invalid;
        }
    }
    if (digits.bGiven) {
        const auto n = Number(digits.strValue, 6, 8);
        if (!n) {
            strReason = "digits is not 6, 7 or 8";
            return ELine::invalid;
        }
        settings.nDigits = static_cast<unsigned>(*n);
    }
    if (period.bGiven) {
        const auto n = Number(period.strValue, 1, kMaxPeriod);
        if (!n) {
            strReason = "the period is not a whole number of seconds from 1";
            return ELine::invalid;
        }
        settings.nPeriod = *n;
    }
    if (encoder.bGiven) {
        // Another encoder's codes would look like codes and be wrong.
        if (!EqualsNoCase(encoder.strValue, "steam")) {
            strReason = "the encoder is not steam, the only one this program knows";
            return ELine::invalid;
        }
        settings.bSteam = true;
    }
    if (issuer.bGiven && EqualsNoCase(issuer.strValue, "steam"))
        settings.bSteam = true;
    return ELine::code;
}

ELine ReadLine(std::string_view strLine, CSettings& settings, std::string& strReason) {
    constexpr std::string_view kTotp = "totp:";
    if (StartsWithNoCase(strLine, kTotp))
        return ReadSecret(strLine.substr(kTotp.size()), settings, strReason) ? ELine::code : ELine::invalid;
    return ReadUri(strLine, settings, strReason);
}

QCryptographicHash::Algorithm QtHash(EHash hash) {
    switch (hash) {
    case EHash::sha1:
        break;
    case EHash::sha256:
        return QCryptographicHash::Sha256;
    case EHash::sha512:
        return QCryptographicHash::Sha512;
    }
    return QCryptographicHash::Sha1;
}

// The HMAC's 31-bit number for the counter (RFC 4226's dynamic truncation).
std::uint32_t TruncatedHmac(const CSettings& settings, std::uint64_t nCounter) {
    const QCryptographicHash::Algorithm hash = QtHash(settings.hash);
    const qsizetype nBlock = settings.hash == EHash::sha512 ? 128 : 64;
    // The key as HMAC uses it, one block long: a longer key is hashed first, a shorter one ends in zeros.
    // Handed over whole, the MAC shares this array rather than resizing a copy of it that nobody wipes.
    QByteArray key(nBlock, '\0');
    const CWipeBytesOnExit wipeKey(key);
    if (static_cast<qsizetype>(settings.strKey.size()) > nBlock) {
        QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(settings.strKey.data(), static_cast<qsizetype>(settings.strKey.size())), hash);
        std::memcpy(key.data(), digest.constData(), static_cast<std::size_t>(digest.size()));
        WipeBytes(digest);
    } else {
        std::memcpy(key.data(), settings.strKey.data(), settings.strKey.size());
    }
    char message[8];
    for (int i = 7; i >= 0; --i, nCounter >>= 8)
        message[i] = static_cast<char>(nCounter & 0xFF);
    QByteArray mac;
    {
        QMessageAuthenticationCode code(hash, key);
        code.addData(message, sizeof message);
        mac = code.result();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(mac.constData());
    const std::size_t nOffset = p[mac.size() - 1] & 0x0F;
    const std::uint32_t n = (static_cast<std::uint32_t>(p[nOffset] & 0x7F) << 24) |
                            (static_cast<std::uint32_t>(p[nOffset + 1]) << 16) |
                            (static_cast<std::uint32_t>(p[nOffset + 2]) << 8) | p[nOffset + 3];
    WipeBytes(mac);
    return n;
}

} // namespace

CSettings::~CSettings() {
    WipeString(strKey);
}

std::string CLine::Problem() const {
    return "line " + std::to_string(nLine) + " of the notes: " + strReason;
}

CLine Read(std::string_view strNotes, CSettings& settings) {
    CLine line;
    for (std::size_t nLine = 1; !strNotes.empty(); ++nLine) {
        const auto nEnd = strNotes.find('\n');
        const std::string_view strLine = Trimmed(strNotes.substr(0, nEnd));
        strNotes = nEnd == std::string_view::npos ? std::string_view() : strNotes.substr(nEnd + 1);
        if (!StartsWithNoCase(strLine, "otpauth:") && !StartsWithNoCase(strLine, "totp:"))
            continue;
        line.nLine = nLine;
        line.kind = ReadLine(strLine, settings, line.strReason);
        if (line.kind != ELine::code)
            WipeString(settings.strKey);
        return line;
    }
    return line;
}

std::string Code(const CSettings& settings, std::uint64_t nTime) {
    std::uint32_t n = TruncatedHmac(settings, nTime / settings.nPeriod);
    sodium_stackzero(kStackToWipe);
    std::string strCode;
    if (settings.bSteam) {
        for (std::size_t i = 0; i < kSteamLength; ++i, n /= kSteamAlphabet.size())
            strCode += kSteamAlphabet[n % kSteamAlphabet.size()];
        return strCode;
    }
    std::uint32_t nModulus = 1;
    for (unsigned i = 0; i < settings.nDigits; ++i)
        nModulus *= 10;
    strCode = std::to_string(n % nModulus);
    strCode.insert(0, settings.nDigits - strCode.size(), '0');
    return strCode;
}

std::uint64_t SecondsLeft(const CSettings& settings, std::uint64_t nTime) {
    return settings.nPeriod - nTime % settings.nPeriod;
}

} // namespace OneTimeCode
