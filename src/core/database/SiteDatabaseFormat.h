#pragma once

#include "core/database/SiteInfo.h"
#include "core/platform/SecureWipe.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CArchive;

// Site names in record order, side by side in one buffer, each followed by a line feed: a large
// database's names take two allocations in all rather than one each, and a listing writes each name with
// its line end at one stroke.
class CSiteNameList {
public:
    CSiteNameList() = default;
    // Only the bytes written are wiped: the room reserved past them never held a name, and is mostly
    // memory the system never had to provide.
    ~CSiteNameList() { WipeMemory(m_strText.data(), m_strText.size()); }
    CSiteNameList(const CSiteNameList&) = default;
    CSiteNameList(CSiteNameList&&) = default;
    CSiteNameList& operator=(const CSiteNameList&) = default;
    CSiteNameList& operator=(CSiteNameList&&) = default;

    std::size_t size() const { return m_ends.size(); }
    // All the names, one after the other, each followed by a line feed.
    std::string_view Text() const { return m_strText; }
    bool empty() const { return m_ends.empty(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t nStart = i == 0 ? 0 : m_ends[i - 1] + 1;
        return std::string_view(m_strText).substr(nStart, m_ends[i] - nStart);
    }
    // The name and the line feed after it.
    std::string_view Line(std::size_t i) const {
        const std::size_t nStart = i == 0 ? 0 : m_ends[i - 1] + 1;
        return std::string_view(m_strText).substr(nStart, m_ends[i] + 1 - nStart);
    }

    // Room for nCount more names of nTextBytes in all, made before they come, so the text never moves and
    // leaves a copy of itself behind.
    void ReserveMore(std::size_t nCount, std::size_t nTextBytes);
    // Adds one name: fill(str) appends its bytes to str.
    template <typename Fill> void AddName(Fill fill) {
        if (m_strText.size() + kPrefaultBlock / 2 > m_nPrefaulted && m_nPrefaulted < m_strText.capacity())
            PrefaultAhead();
        fill(m_strText);
        m_ends.push_back(m_strText.size());
        m_strText.push_back('\n');
    }

private:
    // The text's reserved room is only a bound, mostly never touched: its pages are asked for a block at a
    // time ahead of the names rather than one fault each.
    static constexpr std::size_t kPrefaultBlock = std::size_t{1} << 18;
    void PrefaultAhead();

    std::string m_strText;
    std::vector<std::size_t> m_ends; // where each name ends in m_strText, at its line feed
    std::size_t m_nPrefaulted = 0;   // the text's bytes whose pages were asked for
};

// The byte layout of a site database: the banner, the check string, a 32-bit count and one tagged
// CSiteInfo object per record. These are the two directions of that one layout.
namespace SiteDatabaseFormat {

inline constexpr const char* kBanner = "Lockwarden Version 1.0";

// The check string of password P is P enciphered with itself; empty for a file without a password.
std::string MakeCheckString(const std::string& strPassword);
// Only the exact password deciphers the check string to itself.
bool IsPasswordRight(const std::string& strEntry, const std::string& strCheck);

// Writes the whole file: banner, check string, count and records in array order.
void Write(CArchive& ar, const std::string& strPassword, const CSiteArray& sites);

// Reads the banner and the check string, the part of the file the open check looks at.
// An archive exception here means the file ended inside them.
void ReadHeader(CArchive& ar, std::string& strBanner, std::string& strCheck);

// Reads the count and the records that follow the header, appending them to sites in file order.
// A count of 0 or less means no records; a count the rest of the file cannot hold is damage.
void ReadRecords(CArchive& ar, const std::string& strPassword, CSiteArray& sites);

// Reads the same records as ReadRecords, with the same checks and failures, but keeps only their
// deciphered site names, in file order: listing a large database then builds no records.
void ReadSiteNames(CArchive& ar, const std::string& strPassword, CSiteNameList& names);

} // namespace SiteDatabaseFormat
