#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The per-byte rotation cipher that turns every stored text field into its file form and back.
// Each byte is rotated within 8 bits by the number of one bits of the key byte at the same position
// (modulo the key's length); an empty key leaves the text as it is, and the length never changes.
std::string EncipherText(std::string strKey, std::string strText);
std::string DecipherText(std::string strKey, std::string strText);

// The deciphering of many fields under one key, worked out once: for each key position the table of
// what every byte turns into. Deciphering is then one table look-up per byte, in place.
class CFieldDecipher {
public:
    explicit CFieldDecipher(const std::string& strKey);
    void Apply(char* p, std::size_t n) const;

private:
    std::vector<const std::array<std::uint8_t, 256>*> m_tables; // one per key position
};
