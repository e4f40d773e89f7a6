#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The SHA-1 of a password as 40 upper-case hex digits: the key under which published breach lists hold
// it. SHA-1 here only finds a line in such a list; it protects nothing.
using CHashHex = std::array<char, 40>;
CHashHex PasswordHashHex(std::string_view strPassword);

// A list of breached passwords that the user downloaded, looked up on the disk and never read whole. It
// comes in one of two layouts:
// - one file of "HASH:COUNT" lines sorted by HASH (40 upper-case hex digits);
// - a folder of range files named by the first five hex digits of the hashes they hold ("ABCDE.txt" or
//   "ABCDE"), each of "SUFFIX:COUNT" lines sorted by SUFFIX (the other 35 digits).
// Hashes are spread evenly, so the place of a hash in a sorted file is guessed from its value, and the
// guess is corrected by reading small blocks around it. Every line the search reads is checked: a line
// that is not HASH:COUNT, or one out of order with the others read, stops the search with a message,
// never an answer.
class CBreachList {
public:
    CBreachList();
    ~CBreachList();
    CBreachList(const CBreachList&) = delete;
    CBreachList& operator=(const CBreachList&) = delete;

    // Opens a list file or folder. A file's first and last blocks are checked at once, so a list that is
    // not sorted or not of this kind is usually refused here. False with strError saying why.
    bool Open(const QString& strPath, std::string& strError);
    void Close();
    bool IsOpen() const { return m_layout != ELayout::none; }

    // How many times the list saw this hash (0: not in the list). False with strError when the list
    // cannot answer: unreadable, not sorted, or a damaged line. Lookups in rising order of hash are the
    // quickest: a block just read is used again.
    bool Lookup(const CHashHex& hash, std::uint64_t& nCount, std::string& strError);

    // A block of the file is read at a time: about 80 lines.
    static constexpr std::int64_t kBlock = 4096;

private:
    enum class ELayout { none, oneFile, rangeFolder };
    class CSortedFile;

    ELayout m_layout = ELayout::none;
    QString m_strPath;
    std::unique_ptr<CSortedFile> m_pFile; // the one file, or the range file last used
    QString m_strRangeName;               // that range file's five digits
    bool m_bRangeNamesHaveTxt = true;
};
