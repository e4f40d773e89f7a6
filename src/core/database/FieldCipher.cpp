#include "database/FieldCipher.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

// Entry k is the number of one bits of k.
constexpr std::array<std::uint8_t, 256> MakeRotationTable() {
    std::array<std::uint8_t, 256> table{};
    for (int k = 0; k < 256; ++k) {
        int n = 0;
        for (int v = k; v != 0; v >>= 1)
            n += v & 1;
        table[k] = static_cast<std::uint8_t>(n);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kRotation = MakeRotationTable();

inline unsigned char RotateLeft(unsigned char x, unsigned s) {
    return static_cast<unsigned char>((x << s) | (x >> ((8 - s) & 7)));
}

// The rotation depends only on the key position, so the text is walked one key length at a time
// with the shifts worked out once; the inner loop is then a handful of instructions per byte.
// A right rotation by s is a left rotation by 8 - s, which lets one loop serve both directions.
std::string Rotate(const std::string& strKey, std::string strText, bool bLeft) {
    const std::size_t nKey = strKey.size();
    if (nKey == 0 || strText.empty())
        return strText;
    const std::size_t nText = strText.size();
    const std::size_t nUsed = nKey < nText ? nKey : nText;
    // Fields are short and keys are passwords: the shifts usually fit on the stack, which keeps a
    // load of many small fields free of an extra allocation per field.
    std::array<unsigned, 64> local;
    std::vector<unsigned> heap;
    unsigned* shifts = local.data();
    if (nUsed > local.size()) {
        heap.resize(nUsed);
        shifts = heap.data();
    }
    for (std::size_t i = 0; i < nUsed; ++i) {
        const unsigned s = kRotation[static_cast<unsigned char>(strKey[i])];
        shifts[i] = (bLeft ? s : 8 - s) & 7;
    }
    auto* p = reinterpret_cast<unsigned char*>(strText.data());
    for (std::size_t pos = 0; pos < nText; pos += nUsed) {
        const std::size_t n = nText - pos < nUsed ? nText - pos : nUsed;
        unsigned char* block = p + pos;
        for (std::size_t j = 0; j < n; ++j)
            block[j] = RotateLeft(block[j], shifts[j]);
    }
    return strText;
}

} // namespace

std::string EncipherText(std::string strKey, std::string strText) {
    return Rotate(strKey, std::move(strText), true);
}

std::string DecipherText(std::string strKey, std::string strText) {
    return Rotate(strKey, std::move(strText), false);
}
