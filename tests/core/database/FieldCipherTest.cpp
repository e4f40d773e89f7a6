#include "core/database/FieldCipher.h"
#include "core/database/SiteDatabaseFormat.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

namespace {

// The cipher written out byte by byte, the slow and obvious way, to hold the real one to.
std::string RotateEachByte(const std::string& strKey, const std::string& strText, bool bLeft) {
    if (strKey.empty())
        return strText;
    std::string strOut = strText;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        unsigned k = static_cast<unsigned char>(strKey[i % strKey.size()]);
        unsigned s = 0;
        for (; k != 0; k >>= 1)
            s += k & 1;
        const unsigned x = static_cast<unsigned char>(strText[i]);
        const unsigned r = bLeft ? ((x << s) | (x >> (8 - s))) : ((x >> s) | (x << (8 - s)));
        strOut[i] = static_cast<char>(r & 0xFF);
    }
    return strOut;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n, int nLow) {
    std::uniform_int_distribution<int> byte(nLow, 255);
    std::string str(n, '\0');
    for (char& c : str)
        c = static_cast<char>(byte(rng));
    return str;
}

TEST(FieldCipher, RandomKeysAndTextsKeepLengthNeverMakeNulAndRoundTrip) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<std::size_t> keyLength(0, 40), textLength(0, 300);
    for (int nCase = 0; nCase < 4000; ++nCase) {
        const std::string strKey = RandomBytes(rng, keyLength(rng), 0);
        const std::string strText = RandomBytes(rng, textLength(rng), 1);
        const std::string strCipher = EncipherText(strKey, strText);
        SCOPED_TRACE(testing::Message() << "case " << nCase << ", key " << strKey.size() << " bytes, text "
                                        << strText.size() << " bytes");
        ASSERT_EQ(strCipher, RotateEachByte(strKey, strText, true));
        ASSERT_EQ(strCipher.size(), strText.size());
        ASSERT_EQ(strCipher.find('\0'), std::string::npos);
        ASSERT_EQ(DecipherText(strKey, strCipher), strText);
        ASSERT_EQ(DecipherText(strKey, strText), RotateEachByte(strKey, strText, false));
    }
}

TEST(FieldCipher, LongTextsTakeTheSamePathAsShortOnes) {
    // Long keys and texts that are not a multiple of the key length, where a faster walk could slip.
    std::mt19937 rng(99);
    for (std::size_t nKey : {1u, 7u, 12u, 63u, 64u, 65u, 200u}) {
        const std::string strKey = RandomBytes(rng, nKey, 0);
        const std::string strText = RandomBytes(rng, 70001, 1);
        const std::string strCipher = EncipherText(strKey, strText);
        EXPECT_EQ(strCipher, RotateEachByte(strKey, strText, true)) << "key of " << nKey << " bytes";
        EXPECT_EQ(DecipherText(strKey, strCipher), strText) << "key of " << nKey << " bytes";
    }
}

struct CipherCase {
    const char* pName;
    std::string strKey;
    std::string strText;
    std::string strCipher;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CipherCase& c, std::ostream* pOut) {
    *pOut << c.pName;
}

class FieldCipherCases : public testing::TestWithParam<CipherCase> {};

TEST_P(FieldCipherCases, EnciphersToAndDeciphersFrom) {
    const CipherCase& c = GetParam();
    EXPECT_EQ(EncipherText(c.strKey, c.strText), c.strCipher);
    EXPECT_EQ(DecipherText(c.strKey, c.strCipher), c.strText);
}

INSTANTIATE_TEST_SUITE_P(Bytes, FieldCipherCases,
                         testing::Values(CipherCase{"TwoBitKeyByteTurns61Into85", "\x03", "\x61", "\x85"},
                                         CipherCase{"TwoBitKeyByteAnyPattern", "\x81", "\x61", "\x85"},
                                         CipherCase{"OneBitKeyByteMovesTheHighBitDown", "\x10", "\x80", "\x01"},
                                         CipherCase{"KeyByteZeroLeavesTheByte", std::string(1, '\0'), "\xA5", "\xA5"},
                                         CipherCase{"KeyByteFFLeavesTheByte", "\xFF", "\xA5", "\xA5"},
                                         CipherCase{"EmptyKeyLeavesTheText", "", "plain text", "plain text"},
                                         CipherCase{"EmptyTextStaysEmpty", "key", "", ""},
                                         // Only the first two key bytes are used: rotations 1 and 2.
                                         CipherCase{"KeyLongerThanText", "\x01\x03\x07\x0F", "\x81\x81", "\x03\x06"},
                                         // The key starts again from its first byte: rotations 1, 2, 1, 2, 1.
                                         CipherCase{"KeyShorterThanText", "\x01\x03", "\x81\x81\x81\x81\x81",
                                                    "\x03\x06\x03\x06\x03"}),
                         [](const testing::TestParamInfo<CipherCase>& info) { return info.param.pName; });

TEST(FieldCipher, WrongKeyGivesTextOfTheSameLength) {
    const std::string strCipher = EncipherText("right", "some notes");
    const std::string strGarbled = DecipherText("wrong", strCipher);
    EXPECT_EQ(strGarbled.size(), std::string("some notes").size());
    EXPECT_NE(strGarbled, "some notes");
}

TEST(FieldCipherCheckString, IsThePasswordEncipheredWithItself) {
    EXPECT_EQ(SiteDatabaseFormat::MakeCheckString(""), "");
    const std::string strPassword = "Secret \x80\xFF\x01 pw";
    const std::string strCheck = SiteDatabaseFormat::MakeCheckString(strPassword);
    EXPECT_EQ(strCheck, RotateEachByte(strPassword, strPassword, true));
    EXPECT_EQ(strCheck.size(), strPassword.size());
    EXPECT_EQ(strCheck.find('\0'), std::string::npos);
}

TEST(FieldCipherCheckString, OnlyTheExactPasswordPasses) {
    const std::string strCheck = SiteDatabaseFormat::MakeCheckString("hunter2");
    EXPECT_TRUE(SiteDatabaseFormat::IsPasswordRight("hunter2", strCheck));
    for (const char* pWrong : {"hunter2 ", " hunter2", "hunter", "Hunter2", "hunter3", "2retnuh", "", "hunter22"})
        EXPECT_FALSE(SiteDatabaseFormat::IsPasswordRight(pWrong, strCheck)) << '"' << pWrong << '"';
}

TEST(FieldCipherCheckString, NoOtherByteOpensAOneBytePassword) {
    // Every pair of one-byte passwords: the check string of one is opened by that byte alone.
    for (int nRight = 1; nRight < 256; ++nRight) {
        const std::string strCheck = SiteDatabaseFormat::MakeCheckString(std::string(1, static_cast<char>(nRight)));
        for (int nEntry = 1; nEntry < 256; ++nEntry) {
            const bool bPasses =
                SiteDatabaseFormat::IsPasswordRight(std::string(1, static_cast<char>(nEntry)), strCheck);
            ASSERT_EQ(bPasses, nEntry == nRight) << "password " << nRight << ", entry " << nEntry;
        }
    }
}

TEST(FieldCipherCheckString, RandomSameLengthPasswordsDoNotPass) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> length(1, 24);
    for (int nCase = 0; nCase < 2000; ++nCase) {
        const std::string strRight = RandomBytes(rng, length(rng), 1);
        std::string strOther = strRight;
        std::uniform_int_distribution<std::size_t> at(0, strOther.size() - 1);
        const std::size_t i = at(rng);
        strOther[i] = static_cast<char>(static_cast<unsigned char>(strOther[i]) % 255 + 1);
        const std::string strCheck = SiteDatabaseFormat::MakeCheckString(strRight);
        ASSERT_TRUE(SiteDatabaseFormat::IsPasswordRight(strRight, strCheck));
        ASSERT_FALSE(SiteDatabaseFormat::IsPasswordRight(strOther, strCheck));
    }
}

} // namespace
