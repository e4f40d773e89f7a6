#include "core/tools/OneTimeCode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace OneTimeCode;

namespace {

// RFC 6238's seeds, the ASCII digits repeated to the hash's size, in base32.
const std::string kSeed20 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
const std::string kSeed32 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZA====";
const std::string kSeed64 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"
                            "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNA=";

// The code a notes text gives at nTime, or "invalid: REASON" / "unsupported: REASON" / "none".
std::string CodeOf(const std::string& strNotes, std::uint64_t nTime) {
    CSettings settings;
    const CLine line = Read(strNotes, settings);
    switch (line.kind) {
    case ELine::code:
        return Code(settings, nTime);
    case ELine::invalid:
        EXPECT_TRUE(settings.strKey.empty());
        return "invalid: " + line.strReason;
    case ELine::unsupported:
        return "unsupported: " + line.strReason;
    case ELine::none:
        break;
    }
    return "none";
}

TEST(OneTimeCode, Rfc6238AppendixBForAllThreeHashes) {
    const struct {
        std::uint64_t nTime;
        const char* pszSha1;
        const char* pszSha256;
        const char* pszSha512;
    } vectors[] = {
        {59, "94287082", "46119246", "90693936"},         {1111111109, "07081804", "68084774", "25091201"},
        {1111111111, "14050471", "67062674", "99943326"}, {1234567890, "89005924", "91819424", "93441116"},
        {2000000000, "69279037", "90698825", "38618901"}, {20000000000, "65353130", "77737706", "47863826"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.nTime);
        EXPECT_EQ(CodeOf("otpauth://totp/Example:alice?secret=" + kSeed20 + "&digits=8", v.nTime), v.pszSha1);
        EXPECT_EQ(CodeOf("otpauth://totp/Example:alice?secret=" + kSeed32 + "&algorithm=SHA256&digits=8", v.nTime),
                  v.pszSha256);
        // The padding's "=" escaped, as a URI writes it.
        std::string strSeed64 = kSeed64;
        strSeed64.replace(strSeed64.size() - 1, 1, "%3D");
        EXPECT_EQ(CodeOf("otpauth://totp/x?algorithm=sha512&digits=8&secret=" + strSeed64, v.nTime), v.pszSha512);
    }
}

TEST(OneTimeCode, TheWaysALineSaysTheSameCode) {
    // Computed apart from this program, with python3's hmac module:
    //   hmac.new(base64.b32decode("JBSWY3DPEHPK3PXP"), struct.pack(">Q", 1700000000 // 30), hashlib.sha1)
    // truncated as RFC 4226 does: 324550 in six digits, and with SHA256, 7 digits and a 60 s period, 1205722.
    // Steam's five characters take the same 31-bit number modulo 26, five times, lowest first: 2KM2P.
    // Keys longer than the hash's block are hashed first: bytes 0..99 with SHA1 give 695482 at 59 s, bytes
    // 0..199 with SHA512 518001.
    const std::string kKey100 =
        "AAAQEAYEAUDAOCAJBIFQYDIOB4IBCEQTCQKRMFYYDENBWHA5DYPSAIJCEMSCKJRHFAUSUKZMFUXC6MBRGIZTINJWG44DS"
        "OR3HQ6T4P2AIFBEGRCFIZDUQSKKJNGE2TSPKBIVEU2UKVLFOWCZLJNVYXK6L5QGCYTD";
    const std::string kKey200 = kKey100 +
                                "MRSWMZ3INFVGW3DNNZXXA4LSON2HK5TXPB4XU634PV7H7AEBQKBYJBMGQ6EITCULRSGY5D4QSGJJHFEV"
                                "S2LZRGM2TOOJ3HU7UCQ2FI5EUWTKPKFJVKV2ZLNOV6YLDMVTWS23NN5YXG5LXPF5X274BQOCYPCMLRWH";
    const std::uint64_t t = 1700000000;
    const struct {
        const char* pszWhat;
        std::string strNotes;
        std::uint64_t nTime;
        const char* pszCode;
    } cases[] = {
        {"totp: with the secret as shown", "totp: JBSWY3DPEHPK3PXP", t, "324550"},
        {"totp: spaces and case ignored, the keyword in capitals", "TOTP: jbsw y3dp ehpk 3pxp", t, "324550"},
        {"a line among notes, indented, with a CR LF end",
         "recovery codes in the safe\r\n  totp:JBSWY3DPEHPK3PXP\r\nmore", t, "324550"},
        {"otpauth, the defaults", "otpauth://totp/ACME%20Co:al@example.com?secret=JBSWY3DPEHPK3PXP&issuer=ACME", t,
         "324550"},
        {"otpauth, the scheme in capitals, no label", "OTPAUTH://TOTP?secret=JBSWY3DPEHPK3PXP", t, "324550"},
        {"otpauth, SHA256, 7 digits, 60 s",
         "otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&algorithm=SHA256&digits=7&period=60", t, "1205722"},
        {"otpauth, unknown parameters and a fragment ignored",
         "otpauth://totp/a?image=https%3A%2F%2Fx&secret=JBSWY3DPEHPK3PXP&counter=9#top", t, "324550"},
        {"Steam by its encoder", "otpauth://totp/Steam:al?secret=JBSWY3DPEHPK3PXP&encoder=steam", t, "2KM2P"},
        {"Steam by its issuer, digits ignored", "otpauth://totp/al?secret=JBSWY3DPEHPK3PXP&issuer=steam&digits=8", t,
         "2KM2P"},
        {"the first code line counts", "totp: JBSWY3DPEHPK3PXP\ntotp: not a secret", t, "324550"},
        {"a key longer than SHA1's block", "otpauth://totp/a?secret=" + kKey100, 59, "695482"},
        {"a key longer than SHA512's block", "otpauth://totp/a?algorithm=SHA512&secret=" + kKey200, 59, "518001"},
        {"the code starts with zeros", "otpauth://totp/a?secret=" + kSeed20 + "&digits=8", 1111111109, "07081804"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeOf(c.strNotes, c.nTime), c.pszCode) << c.pszWhat;
}

TEST(OneTimeCode, NoCodeLine) {
    const char* const cases[] = {
        "",
        "my totp: JBSWY3DPEHPK3PXP",
        "see https://example.com/otpauth://totp/a?secret=JBSWY3DPEHPK3PXP",
        "totp\nJBSWY3DPEHPK3PXP",
        "\n\n",
    };
    for (const char* psz : cases)
        EXPECT_EQ(CodeOf(psz, 0), "none") << psz;
}

TEST(OneTimeCode, AMalformedLineGivesAReasonNeverACode) {
    const struct {
        const char* pszNotes;
        std::size_t nLine;
        const char* pszResult;
    } cases[] = {
        {"totp: JBSWY3DPEHPK3PX1", 1, "invalid: the secret is not base32"},
        {"notes\ntotp: JBSWY3DPEHPK3P", 2, "invalid: the secret is not base32"}, // a length no encoding has
        {"totp:", 1, "invalid: the code line has no secret"},
        {"totp: ====", 1, "invalid: the code line has no secret"},
        {"otpauth://totp/a", 1, "invalid: the code line has no secret"},
        {"otpauth://totp/a?issuer=ACME&secret=", 1, "invalid: the code line has no secret"},
        {"otpauth://totp/a?secret=JBSWY3DP+EHPK3PXP", 1, "invalid: the secret is not base32"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP%3", 1,
         "invalid: the secret has a \"%\" not followed by two hex digits"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&secret=JBSWY3DPEHPK3PXQ", 1, "invalid: secret is given twice"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&algorithm=MD5", 1,
         "invalid: the algorithm is not SHA1, SHA256 or SHA512"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&algorithm=", 1,
         "invalid: the algorithm is not SHA1, SHA256 or SHA512"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&digits=5", 1, "invalid: digits is not 6, 7 or 8"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&digits=9", 1, "invalid: digits is not 6, 7 or 8"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&digits=6x", 1, "invalid: digits is not 6, 7 or 8"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&period=0", 1,
         "invalid: the period is not a whole number of seconds from 1"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&period=-30", 1,
         "invalid: the period is not a whole number of seconds from 1"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&period=99999999999999999999", 1,
         "invalid: the period is not a whole number of seconds from 1"},
        {"otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&encoder=yandex", 1,
         "invalid: the encoder is not steam, the only one this program knows"},
        {"otpauth://hotp/a?secret=JBSWY3DPEHPK3PXP&counter=1", 1,
         "unsupported: counter-based codes (otpauth://hotp/) are not supported"},
        {"otpauth://motp/a?secret=JBSWY3DPEHPK3PXP", 1, "invalid: an otpauth line begins otpauth://totp/"},
        {"otpauth:totp/a?secret=JBSWY3DPEHPK3PXP", 1, "invalid: an otpauth line begins otpauth://totp/"},
        // The first code line decides, even when a later one would give a code.
        {"a\nb\n otpauth://totp/a?digits=10&secret=JBSWY3DPEHPK3PXP\ntotp: JBSWY3DPEHPK3PXP", 3,
         "invalid: digits is not 6, 7 or 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszNotes);
        EXPECT_EQ(CodeOf(c.pszNotes, 0), c.pszResult);
        CSettings settings;
        const CLine line = Read(c.pszNotes, settings);
        EXPECT_EQ(line.nLine, c.nLine);
        EXPECT_EQ(line.Problem(), "line " + std::to_string(c.nLine) + " of the notes: " + line.strReason);
        // The reason never repeats the secret.
        EXPECT_EQ(line.strReason.find("JBSW"), std::string::npos);
    }
}

TEST(OneTimeCode, SecondsLeftCountDownToTheNextPeriod) {
    CSettings settings;
    ASSERT_EQ(Read("otpauth://totp/a?secret=JBSWY3DPEHPK3PXP&period=60", settings).kind, ELine::code);
    EXPECT_EQ(SecondsLeft(settings, 1200), 60u);
    EXPECT_EQ(SecondsLeft(settings, 1201), 59u);
    EXPECT_EQ(SecondsLeft(settings, 1259), 1u);
    // The code changes exactly when the count runs out.
    EXPECT_EQ(Code(settings, 1200), Code(settings, 1259));
    EXPECT_NE(Code(settings, 1259), Code(settings, 1260));
}

} // namespace
