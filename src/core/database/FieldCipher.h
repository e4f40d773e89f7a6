#pragma once

#include <string>

// The per-byte rotation cipher that turns every stored text field into its file form and back.
// Each byte is rotated within 8 bits by the number of one bits of the key byte at the same position
// (modulo the key's length); an empty key leaves the text as it is, and the length never changes.
std::string EncipherText(std::string strKey, std::string strText);
std::string DecipherText(std::string strKey, std::string strText);
