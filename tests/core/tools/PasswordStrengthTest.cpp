#include "core/tools/PasswordStrength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Passwords whose word zxcvbn leaves in no doubt: each lies far from the cuts between the words.
TEST(PasswordStrength, WordsOfPasswordsZxcvbnIsSureAbout) {
    const struct {
        const char* pszPassword;
        EStrength word;
        const char* pszWord;
    } cases[] = {
        {"", EStrength::veryWeak, "very weak"},
        {"password", EStrength::veryWeak, "very weak"},
        {"Tr0ub4dor&3", EStrength::strong, "strong"},
        {"aB3$kP9!xQ2@mZ7#wR5t", EStrength::strong, "strong"}, // 20 characters drawn at random
    };
    for (const auto& c : cases) {
        const CStrength strength = EstimateStrength(c.pszPassword);
        EXPECT_EQ(strength.word, c.word) << c.pszPassword << ": 10^" << strength.dLog10;
        EXPECT_STREQ(StrengthWord(strength.word), c.pszWord);
        EXPECT_NEAR(std::log10(strength.dGuesses), strength.dLog10, 1e-9);
        EXPECT_GE(strength.dGuesses, 1.0);
    }
}

// The cuts: each word covers the guesses from its own cut up to the next, and zxcvbn's estimate of a
// password's guesses rises as a random tail grows.
TEST(PasswordStrength, LongerRandomTailsNeverLoseStrength) {
    const std::string strTail = "q7#Vk2!pL9xZ";
    double dLast = -1;
    EStrength last = EStrength::veryWeak;
    for (std::size_t n = 0; n <= strTail.size(); ++n) {
        const CStrength strength = EstimateStrength(strTail.substr(0, n));
        EXPECT_GE(strength.dLog10, dLast) << n;
        EXPECT_GE(strength.word, last) << n;
        const double dCuts[] = {kWeakFromLog10, kFairFromLog10, kGoodFromLog10, kStrongFromLog10};
        const auto nWord = static_cast<std::size_t>(strength.word);
        if (nWord > 0) {
            EXPECT_GE(strength.dLog10, dCuts[nWord - 1]);
        }
        if (nWord < 4) {
            EXPECT_LT(strength.dLog10, dCuts[nWord]);
        }
        dLast = strength.dLog10;
        last = strength.word;
    }
    EXPECT_EQ(last, EStrength::strong);
}

} // namespace
