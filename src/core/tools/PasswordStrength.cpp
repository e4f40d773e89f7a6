#include "core/tools/PasswordStrength.h"

#include <sodium.h>
#include <zxcvbn.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

EStrength WordFor(double dLog10) {
    if (dLog10 < kWeakFromLog10)
        return EStrength::veryWeak;
    if (dLog10 < kFairFromLog10)
        return EStrength::weak;
    if (dLog10 < kGoodFromLog10)
        return EStrength::fair;
    if (dLog10 < kStrongFromLog10)
        return EStrength::good;
    return EStrength::strong;
}

} // namespace

CStrength EstimateStrength(std::string_view strPassword) {
    // zxcvbn wants a terminated string; short passwords stay on the stack, and the copy is wiped.
    char buffer[128];
    std::string strLong;
    const char* psz = buffer;
    if (strPassword.size() < sizeof buffer) {
        std::memcpy(buffer, strPassword.data(), strPassword.size());
        buffer[strPassword.size()] = '\0';
    } else {
        strLong.assign(strPassword);
        psz = strLong.c_str();
    }
    // zxcvbn gives the entropy in bits: the guesses are 2 to that power.
    const double dBits = std::max(0.0, ZxcvbnMatch(psz, nullptr, nullptr));
    sodium_memzero(buffer, sizeof buffer);
    if (!strLong.empty())
        sodium_memzero(strLong.data(), strLong.size());
    CStrength strength;
    strength.dLog10 = dBits * std::log10(2.0);
    strength.dGuesses = std::exp2(dBits);
    strength.word = WordFor(strength.dLog10);
    return strength;
}

const char* StrengthWord(EStrength word) {
    switch (word) {
    case EStrength::veryWeak:
        return "very weak";
    case EStrength::weak:
        return "weak";
    case EStrength::fair:
        return "fair";
    case EStrength::good:
        return "good";
    case EStrength::strong:
        return "strong";
    }
    return "";
}
