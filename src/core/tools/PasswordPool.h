#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The password generator's characters and an unbiased draw from them.
namespace PasswordPool {

inline constexpr const char* kLower = "abcdefghijklmnopqrstuvwxyz";
inline constexpr const char* kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr const char* kDigits = "0123456789";
inline constexpr const char* kPunctuation = "!@#$%&*?+-=_";

// The longest password made: far beyond any site's limit, and a hundred of them still fit the
// clipboard at once. Longer lengths are refused rather than left to take minutes and exhaust memory.
inline constexpr std::size_t kMaxLength = 4096;

// Lower case always, then upper case, digits and punctuation as chosen, in that order.
std::string BuildPool(bool bMixedCase, bool bNumbers, bool bPunctuation);

// Fills n bytes with random bytes; false when the source failed.
using RandomBytes = std::function<bool(unsigned char* p, std::size_t n)>;

// The operating system's random source (getrandom(2)).
bool SystemRandomBytes(unsigned char* p, std::size_t n);

// nLength characters, each drawn from the whole pool with every character equally likely: a random
// byte is taken only below the largest multiple of the pool's size that fits in a byte, and the rest
// are drawn again, so no character is favoured by the remainder. The pool holds 1 to 256 characters.
// False, with strPassword empty, when the random source failed.
bool Generate(const std::string& strPool, std::size_t nLength, std::string& strPassword,
              const RandomBytes& random = SystemRandomBytes);

} // namespace PasswordPool
