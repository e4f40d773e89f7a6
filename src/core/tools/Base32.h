#pragma once

#include <string>
#include <string_view>

// Base32 as RFC 4648 writes it (A-Z, 2-7), read the way people copy a key off a setup page: in either case,
// with spaces anywhere and with or without the trailing "=" padding.
namespace Base32 {

// Fills bytes with what strText encodes. False, with bytes empty, when a character is not of the alphabet,
// "=" stands before the end, or the length is one no encoding has (1, 3 or 6 characters past a whole
// 8-character group).
bool Decode(std::string_view strText, std::string& bytes);

} // namespace Base32
