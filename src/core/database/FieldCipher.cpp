#include "core/database/FieldCipher.h"

#include "core/platform/SecureWipe.h"

#include <algorithm>
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

// Entry s is the left rotation by s of every byte value.
constexpr std::array<std::array<std::uint8_t, 256>, 8> MakeShiftTables() {
    std::array<std::array<std::uint8_t, 256>, 8> tables{};
    for (unsigned s = 0; s < 8; ++s)
        for (unsigned x = 0; x < 256; ++x)
            tables[s][x] = static_cast<std::uint8_t>(((x << s) | (x >> ((8 - s) & 7))) & 0xFF);
    return tables;
}
constexpr std::array<std::array<std::uint8_t, 256>, 8> kShifted = MakeShiftTables();

using Table = std::array<std::uint8_t, 256>;

// The rotation depends only on the key position: tables[i] is the table of key byte i. A right rotation
// by s is a left rotation by 8 - s, which lets one table set serve both directions.
void FillTables(const char* pKey, std::size_t nKey, bool bLeft, const Table** tables) {
    for (std::size_t i = 0; i < nKey; ++i) {
        const unsigned s = kRotation[static_cast<unsigned char>(pKey[i])];
        tables[i] = &kShifted[(bLeft ? s : 8 - s) & 7];
    }
}

// The text is walked one key length at a time, one look-up per byte.
void ApplyTables(const Table* const* tables, std::size_t nKey, char* pText, std::size_t nText) {
    if (nKey == 0)
        return;
    auto* p = reinterpret_cast<unsigned char*>(pText);
    for (std::size_t pos = 0; pos < nText; pos += nKey) {
        const std::size_t n = nText - pos < nKey ? nText - pos : nKey;
        unsigned char* block = p + pos;
        for (std::size_t j = 0; j < n; ++j)
            block[j] = (*tables[j])[block[j]];
    }
}

std::string Rotate(const std::string& strKey, std::string strText, bool bLeft) {
    const std::size_t nUsed = std::min(strKey.size(), strText.size());
    if (nUsed == 0)
        return strText;
    // Fields are short and keys are passwords: the tables of the positions a field reaches usually fit
    // on the stack, which keeps a load of many small fields free of an extra allocation per field.
    std::array<const Table*, 64> local;
    std::vector<const Table*> heap;
    const Table** tables = local.data();
    if (nUsed > local.size()) {
        heap.resize(nUsed);
        tables = heap.data();
    }
    FillTables(strKey.data(), nUsed, bLeft, tables);
    ApplyTables(tables, nUsed, strText.data(), strText.size());
    return strText;
}

} // namespace

std::string EncipherText(std::string strKey, std::string strText) {
    const CWipeOnExit wipe({&strKey}); // a copy of the file password
    return Rotate(strKey, std::move(strText), true);
}

std::string DecipherText(std::string strKey, std::string strText) {
    const CWipeOnExit wipe({&strKey});
    return Rotate(strKey, std::move(strText), false);
}

CFieldDecipher::CFieldDecipher(const std::string& strKey) : m_tables(strKey.size()) {
    FillTables(strKey.data(), strKey.size(), false, m_tables.data());
}

void CFieldDecipher::Apply(char* p, std::size_t n) const {
    ApplyTables(m_tables.data(), m_tables.size(), p, n);
}
