// The sealed layout byte by byte, its key check and its tag, and the refusals that come before any key
// is derived.

#include "core/database/SealedFormat.h"
#include "FormatBytes.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <QBuffer>

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstring>

namespace {

using SealedFormat::CCost;
using SealedFormat::CHeader;
using SealedFormat::CSealKey;
using SealedFormat::EResult;
namespace SF = SealedFormat;

std::array<unsigned char, SF::kSaltSize> Counting16(int nFrom) {
    std::array<unsigned char, SF::kSaltSize> a{};
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<unsigned char>(nFrom + static_cast<int>(i));
    return a;
}

std::array<unsigned char, SF::kNonceSize> Counting24(int nFrom) {
    std::array<unsigned char, SF::kNonceSize> a{};
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<unsigned char>(nFrom + static_cast<int>(i));
    return a;
}

std::unique_ptr<CSealKey> Key(std::string_view strPassword, const CCost& cost = SF::kMinCost,
                              const std::array<unsigned char, SF::kSaltSize>& salt = Counting16(0)) {
    std::unique_ptr<CSealKey> pKey;
    EXPECT_EQ(CSealKey::Derive(strPassword, cost, salt, pKey), EResult::ok);
    return pKey;
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

std::string Plain(const std::vector<SiteFields>& records) {
    CSecureBytes plain;
    SF::WriteRecordStream(MakeSites(records), plain);
    return std::string(plain.view());
}

// Puts a header field and the checksum after it right again, as someone who forges a header would.
void ResealHeader(QByteArray& bytes) {
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    crypto_generichash(p + SF::kSumAt, SF::kSumSize, p, SF::kSumAt, nullptr, 0);
}

void PutU32(QByteArray& bytes, std::size_t nAt, std::uint32_t n) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[static_cast<qsizetype>(nAt + i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
}

// The layout, pinned: password "pw", salt 00..0F, nonce 10..27, the lowest cost, no records. Any change
// to the banner, the order of the header, the derivation, the subkeys, the check, the checksum or the
// cipher changes these bytes.
TEST(SealedFormatTest, KnownAnswerPinsTheLayout) {
    const auto pKey = Key("pw");
    const QByteArray bytes = SF::Seal(*pKey, Plain({}), Counting24(0x10));
    EXPECT_EQ(bytes.toHex().toStdString(),
              "164c6f636b77617264656e205365616c65642046696c65"                   // banner
              "0100"                                                             // format version 1
              "01"                                                               // Argon2id
              "01000000"                                                         // 1 pass
              "00200000"                                                         // 8192 KiB
              "000102030405060708090a0b0c0d0e0f"                                 // salt
              "101112131415161718191a1b1c1d1e1f2021222324252627"                 // nonce
              "f01ef7a3e4088144b0b409db914203298d4a4b7531236541e5cb4ef07a274a2d" // key check
              "092fbc6c3a455316cc7a87b23395e600489b820a8466cdb95833b9d782de8b57" // header checksum
              "15e39e665ca9440ccef9604517e86edbe1188214");                       // the count 0, sealed, and its tag
}

// The same layout restated with libsodium's primitives alone, as docs/SEALED-FORMAT.md gives it: a
// writer that drifted from the document fails here even where the pinned bytes were updated with it.
TEST(SealedFormatTest, LayoutIsTheDocumentedOne) {
    const std::string strPassword = "correct horse";
    const auto salt = Counting16(0x40);
    const auto nonce = Counting24(0x80);
    const std::string strPlain = Plain({{"a", "b", "c", "d", "e"}});
    // The clear stream is the classic one from the count on, fields not enciphered.
    EXPECT_EQ(strPlain, View(CBytes().DWord(1).ClassDescription().Fields("a", "b", "c", "d", "e").Data()));

    unsigned char master[32], checkKey[32], dataKey[32];
    ASSERT_EQ(crypto_pwhash(master, 32, strPassword.data(), strPassword.size(), salt.data(), 1, 8192 * 1024,
                            crypto_pwhash_ALG_ARGON2ID13),
              0);
    crypto_kdf_derive_from_key(checkKey, 32, 1, "LwdSeal1", master);
    crypto_kdf_derive_from_key(dataKey, 32, 2, "LwdSeal1", master);
    CBytes expected;
    expected.String(SF::kBanner).Word(1).Byte(1).DWord(1).DWord(8192);
    expected.Raw(std::string_view(reinterpret_cast<const char*>(salt.data()), salt.size()));
    expected.Raw(std::string_view(reinterpret_cast<const char*>(nonce.data()), nonce.size()));
    QByteArray header = expected.Data();
    unsigned char check[32], sum[32];
    crypto_generichash(check, 32, reinterpret_cast<const unsigned char*>(header.constData()), SF::kNonceAt, checkKey,
                       32);
    header.append(reinterpret_cast<const char*>(check), 32);
    crypto_generichash(sum, 32, reinterpret_cast<const unsigned char*>(header.constData()),
                       static_cast<unsigned long long>(header.size()), nullptr, 0);
    header.append(reinterpret_cast<const char*>(sum), 32);
    ASSERT_EQ(static_cast<std::size_t>(header.size()), SF::kHeaderSize);
    QByteArray sealed(static_cast<qsizetype>(strPlain.size() + 16), '\0');
    unsigned long long nSealed = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char*>(sealed.data()), &nSealed,
                                               reinterpret_cast<const unsigned char*>(strPlain.data()), strPlain.size(),
                                               reinterpret_cast<const unsigned char*>(header.constData()),
                                               static_cast<unsigned long long>(header.size()), nullptr, nonce.data(),
                                               dataKey);

    const auto pKey = Key(strPassword, SF::kMinCost, salt);
    EXPECT_EQ(SF::Seal(*pKey, strPlain, nonce).toHex(), (header + sealed).toHex());
}

// The stream is sized before it is written, so it takes one allocation of locked memory; the size must
// match to the byte at each length the prefix changes.
TEST(SealedFormatTest, RecordStreamIsSizedExactlyBeforeItIsWritten) {
    for (const std::size_t n : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
        CSecureBytes plain;
        SF::WriteRecordStream(
            MakeSites({{std::string(n, 'x'), "u", "", "p", "n"}, {"b", "", std::string(n, 'y'), "", ""}}), plain);
        EXPECT_EQ(plain.capacity(), plain.size()) << n;
        QByteArray classic = WriteDatabase(
            "", MakeSites({{std::string(n, 'x'), "u", "", "p", "n"}, {"b", "", std::string(n, 'y'), "", ""}}));
        EXPECT_EQ(plain.view(), View(classic.mid(24))) << n; // the classic file from its count on
        // The save's own path, which encrypts the stream where it wrote it, gives the same file.
        const auto pKey = Key("pw");
        EXPECT_EQ(
            SF::SealSites(*pKey,
                          MakeSites({{std::string(n, 'x'), "u", "", "p", "n"}, {"b", "", std::string(n, 'y'), "", ""}}),
                          Counting24(7)),
            SF::Seal(*pKey, plain.view(), Counting24(7)))
            << n;
    }
}

// The classic reader sees a string it does not know where its banner should be, and stops there.
TEST(SealedFormatTest, ClassicReaderFindsAForeignBanner) {
    const auto pKey = Key("pw");
    QByteArray bytes = SF::Seal(*pKey, Plain({{"a", "b", "c", "d", "e"}}));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    std::string strBanner, strCheck;
    SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
    EXPECT_NE(strBanner, SiteDatabaseFormat::kBanner);
    EXPECT_EQ(strBanner, SF::kBanner);
}

TEST(SealedFormatTest, RightKeyOpensWhatWasSealedAndEverySaveTakesANewNonce) {
    const auto pKey = Key("pw");
    const std::string strPlain = Plain({{"site", "https://x", "me", "secret", "notes"}});
    const QByteArray first = SF::Seal(*pKey, strPlain);
    const QByteArray second = SF::Seal(*pKey, strPlain);
    EXPECT_NE(first.mid(SF::kNonceAt, SF::kNonceSize), second.mid(SF::kNonceAt, SF::kNonceSize));
    EXPECT_NE(first.mid(SF::kHeaderSize), second.mid(SF::kHeaderSize));
    // The salt and cost stay: no new derivation is needed to save again.
    EXPECT_EQ(first.left(SF::kNonceAt), second.left(SF::kNonceAt));
    for (const QByteArray& bytes : {first, second}) {
        CSecureBytes plain;
        ASSERT_EQ(SF::Open(*pKey, View(bytes), plain), EResult::ok);
        EXPECT_EQ(plain.view(), strPlain);
        EXPECT_FALSE(bytes.contains("secret"));
    }
}

TEST(SealedFormatTest, KeyCheckTellsAWrongPasswordFromTheRightOne) {
    const QByteArray bytes = SF::Seal(*Key("right"), Plain({}));
    CHeader header;
    ASSERT_EQ(SF::ReadHeader(View(bytes), header), EResult::ok);
    EXPECT_TRUE(Key("right")->PassesCheck(View(bytes), header));
    EXPECT_FALSE(Key("Right")->PassesCheck(View(bytes), header));
    EXPECT_FALSE(Key("right ")->PassesCheck(View(bytes), header));
    CSecureBytes plain;
    EXPECT_EQ(SF::Open(*Key("wrong"), View(bytes), plain), EResult::wrongPassword);
    // The right password under another salt is another key.
    EXPECT_FALSE(Key("right", SF::kMinCost, Counting16(1))->PassesCheck(View(bytes), header));
}

// Every header field is read and judged before a key is derived: the checksum, then the version and
// the derivation, then the cost.
TEST(SealedFormatTest, HeaderRefusalsComeBeforeAnyDerivation) {
    const QByteArray good = SF::Seal(*Key("pw"), Plain({}));
    struct Case {
        const char* pszWhat;
        std::function<void(QByteArray&)> change;
        EResult expected;
    };
    const std::vector<Case> cases = {
        {"as written", [](QByteArray&) {}, EResult::ok},
        {"classic file", [](QByteArray& b) { b = CBytes().Header().DWord(0).Data(); }, EResult::notSealed},
        {"banner only", [](QByteArray& b) { b.truncate(SF::kBannerSize); }, EResult::damaged},
        {"header without its tag", [](QByteArray& b) { b.truncate(SF::kHeaderSize); }, EResult::damaged},
        {"salt byte changed", [](QByteArray& b) { b[SF::kSaltAt] = static_cast<char>(b[SF::kSaltAt] ^ 1); },
         EResult::damaged},
        {"checksum changed", [](QByteArray& b) { b[SF::kSumAt + 31] = static_cast<char>(b[SF::kSumAt + 31] ^ 0x80); },
         EResult::damaged},
        {"version 2", [](QByteArray& b) { b[SF::kVersionAt] = 2, ResealHeader(b); }, EResult::newerVersion},
        {"unknown derivation", [](QByteArray& b) { b[SF::kKdfAt] = 2, ResealHeader(b); }, EResult::newerVersion},
        {"no passes", [](QByteArray& b) { PutU32(b, SF::kOpsAt, 0), ResealHeader(b); }, EResult::costRefused},
        {"too many passes", [](QByteArray& b) { PutU32(b, SF::kOpsAt, SF::kMaxCost.nOps + 1), ResealHeader(b); },
         EResult::costRefused},
        {"most passes", [](QByteArray& b) { PutU32(b, SF::kOpsAt, SF::kMaxCost.nOps), ResealHeader(b); }, EResult::ok},
        {"too little memory", [](QByteArray& b) { PutU32(b, SF::kMemAt, SF::kMinCost.nMemKiB - 1), ResealHeader(b); },
         EResult::costRefused},
        {"4 TiB of memory", [](QByteArray& b) { PutU32(b, SF::kMemAt, 0xFFFFFFFF), ResealHeader(b); },
         EResult::costRefused},
        {"just over the ceiling",
         [](QByteArray& b) { PutU32(b, SF::kMemAt, SF::kMaxCost.nMemKiB + 1), ResealHeader(b); }, EResult::costRefused},
    };
    for (const Case& c : cases) {
        QByteArray bytes = good;
        c.change(bytes);
        CHeader header;
        EXPECT_EQ(SF::ReadHeader(View(bytes), header), c.expected) << c.pszWhat;
    }
}

// The derivation itself refuses a cost out of bounds, so no caller can ask it for gigabytes.
TEST(SealedFormatTest, DerivationRefusesACostOutOfBounds) {
    std::unique_ptr<CSealKey> pKey;
    EXPECT_EQ(CSealKey::Derive("pw", CCost{1, 0xFFFFFFFF}, pKey), EResult::costRefused);
    EXPECT_EQ(CSealKey::Derive("pw", CCost{1000, SF::kMinCost.nMemKiB}, pKey), EResult::costRefused);
    EXPECT_EQ(pKey, nullptr);
    EXPECT_TRUE(SF::IsCostAllowed(SF::kDefaultCost));
}

// Past a right key check only the tag is left: every byte of the sealed data is covered by it.
TEST(SealedFormatTest, AnyChangeToTheSealedDataIsDamage) {
    const auto pKey = Key("pw");
    const QByteArray good = SF::Seal(*pKey, Plain({{"a", "b", "c", "d", "e"}}));
    for (qsizetype i = SF::kHeaderSize; i < good.size(); ++i) {
        QByteArray bytes = good;
        bytes[i] = static_cast<char>(bytes[i] ^ 0x01);
        CSecureBytes plain;
        EXPECT_EQ(SF::Open(*pKey, View(bytes), plain), EResult::damaged) << "byte " << i;
        EXPECT_TRUE(plain.empty());
    }
    for (qsizetype n = SF::kHeaderSize; n < good.size(); ++n) {
        CSecureBytes plain;
        EXPECT_EQ(SF::Open(*pKey, View(good.left(n)), plain), EResult::damaged) << "cut at " << n;
    }
    CSecureBytes plain;
    EXPECT_EQ(SF::Open(*pKey, View(good + QByteArray(1, '\0')), plain), EResult::damaged);
}

} // namespace
