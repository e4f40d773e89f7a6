#pragma once

#include <string_view>

// How hard a password is to guess, as zxcvbn estimates it: the number of guesses an attacker who knows
// common passwords, words, names, keyboard walks, dates and substitutions would need, and one word for it.
enum class EStrength { veryWeak, weak, fair, good, strong };

struct CStrength {
    double dGuesses = 1; // at least 1
    double dLog10 = 0;   // log10 of dGuesses, what the words are cut by
    EStrength word = EStrength::veryWeak;
};

// The cuts between the words, in guesses (log10): below 10^3 very weak, below 10^6 weak, below 10^8
// fair, below 10^10 good, else strong. They are zxcvbn's own score bands.
inline constexpr double kWeakFromLog10 = 3;
inline constexpr double kFairFromLog10 = 6;
inline constexpr double kGoodFromLog10 = 8;
inline constexpr double kStrongFromLog10 = 10;

// The estimate for strPassword (bytes; a zero byte ends it as it would end it for any C library).
// Safe to call from several threads at once.
CStrength EstimateStrength(std::string_view strPassword);

// "very weak", "weak", "fair", "good" or "strong".
const char* StrengthWord(EStrength word);
