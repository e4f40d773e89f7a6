#include "core/tools/PasswordPool.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

// A random source that hands out the given bytes in order, over and over.
PasswordPool::RandomBytes Replay(std::vector<unsigned char> bytes) {
    return [bytes, n = std::size_t{0}](unsigned char* p, std::size_t nWanted) mutable {
        for (std::size_t i = 0; i < nWanted; ++i)
            p[i] = bytes[n++ % bytes.size()];
        return true;
    };
}

} // namespace

TEST(PasswordPool, JoinsTheClassesInTheGeneratorsOrder) {
    struct Case {
        bool bMixedCase, bNumbers, bPunctuation;
        std::size_t nSize;
    } cases[] = {{false, false, false, 26}, {false, true, false, 36}, {false, false, true, 38}, {false, true, true, 48},
                 {true, false, false, 52},  {true, true, false, 62},  {true, false, true, 64},  {true, true, true, 74}};
    for (const Case& c : cases)
        EXPECT_EQ(PasswordPool::BuildPool(c.bMixedCase, c.bNumbers, c.bPunctuation).size(), c.nSize);
    const std::string strAll = PasswordPool::BuildPool(true, true, true);
    EXPECT_EQ(strAll, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%&*?+-=_");
    EXPECT_EQ(PasswordPool::BuildPool(false, true, true), "abcdefghijklmnopqrstuvwxyz0123456789!@#$%&*?+-=_");
}

TEST(PasswordPool, DrawsAreNotBiasedByTheRemainder) {
    // 256 = 3 * 74 + 34: bytes 222 to 255 would favour the first 34 characters and must be drawn again.
    const std::string strPool = PasswordPool::BuildPool(true, true, true);
    std::string strPassword;
    ASSERT_TRUE(PasswordPool::Generate(strPool, 4, strPassword, Replay({221, 222, 255, 0, 73, 74})));
    EXPECT_EQ(strPassword, "_a_a");

    // Every byte value once: each character of every pool comes out equally often.
    std::vector<unsigned char> everyByte(256);
    for (int i = 0; i < 256; ++i)
        everyByte[i] = static_cast<unsigned char>(i);
    for (const std::string& strEachPool :
         {PasswordPool::BuildPool(false, false, false), PasswordPool::BuildPool(true, false, false), strPool}) {
        const std::size_t nAccepted = 256 - 256 % strEachPool.size();
        ASSERT_TRUE(PasswordPool::Generate(strEachPool, nAccepted, strPassword, Replay(everyByte)));
        std::map<char, int> counts;
        for (char c : strPassword)
            ++counts[c];
        ASSERT_EQ(counts.size(), strEachPool.size());
        for (const auto& [c, n] : counts)
            EXPECT_EQ(n, static_cast<int>(nAccepted / strEachPool.size())) << c;
    }
}

TEST(PasswordPool, TheHighestAcceptedByteGivesTheLastCharacterOfEveryPool) {
    for (const int nClasses : {0, 1, 2, 3, 4, 5, 6, 7}) {
        const std::string strPool = PasswordPool::BuildPool(nClasses & 1, nClasses & 2, nClasses & 4);
        const unsigned nLimit = 256 - 256 % strPool.size();
        std::string strPassword;
        // Bytes from the limit up are drawn again; with 64 characters the limit is 256 and none are.
        ASSERT_TRUE(PasswordPool::Generate(
            strPool, 2, strPassword,
            Replay({static_cast<unsigned char>(nLimit - 1), static_cast<unsigned char>(nLimit), 255, 0})));
        EXPECT_EQ(strPassword, std::string{strPool.back()} + strPool.front()) << strPool;
    }
}

TEST(PasswordPool, FailsWhenTheRandomSourceFails) {
    std::string strPassword = "old";
    EXPECT_FALSE(PasswordPool::Generate("abc", 8, strPassword, [](unsigned char*, std::size_t) { return false; }));
    EXPECT_TRUE(strPassword.empty());
}

TEST(PasswordPool, SystemSourceGivesPasswordsFromThePool) {
    const std::string strPool = PasswordPool::BuildPool(true, true, true);
    std::string strPassword;
    ASSERT_TRUE(PasswordPool::Generate(strPool, 0, strPassword));
    EXPECT_TRUE(strPassword.empty());
    ASSERT_TRUE(PasswordPool::Generate(strPool, 20000, strPassword));
    ASSERT_EQ(strPassword.size(), 20000u);
    // With 20,000 draws from 74 characters, a character missing would happen once in about 1e117 runs.
    EXPECT_EQ(std::set<char>(strPassword.begin(), strPassword.end()), std::set<char>(strPool.begin(), strPool.end()));
}
