#include "core/database/SiteDatabaseFormat.h"

#include "core/database/FieldCipher.h"
#include "core/framework/Archive.h"
#include "core/platform/MemoryPages.h"
#include "core/platform/SecureWipe.h"

#include <algorithm>

#include <cstdint>

void CSiteNameList::ReserveMore(std::size_t nCount, std::size_t nTextBytes) {
    m_ends.reserve(m_ends.size() + nCount);
    PrefaultMemory(m_ends.data() + m_ends.size(), nCount * sizeof(std::size_t));
    m_strText.reserve(m_strText.size() + nTextBytes + nCount); // and the line feeds
}

void CSiteNameList::PrefaultAhead() {
    const std::size_t nFrom = std::max(m_strText.size(), m_nPrefaulted);
    const std::size_t n = std::min(kPrefaultBlock, m_strText.capacity() - nFrom);
    PrefaultMemory(m_strText.data() + nFrom, n);
    m_nPrefaulted = nFrom + n;
}

namespace SiteDatabaseFormat {

namespace {
// The smallest record: a class reference and five empty strings.
constexpr std::int64_t kMinRecordSize = 2 + 5;
} // namespace

std::string MakeCheckString(const std::string& strPassword) {
    return EncipherText(strPassword, strPassword);
}

bool IsPasswordRight(const std::string& strEntry, const std::string& strCheck) {
    // A right password deciphers the check string to itself: that copy is the password, and is wiped.
    std::string strDeciphered = DecipherText(strEntry, strCheck);
    const CWipeOnExit wipe({&strDeciphered});
    return strDeciphered == strEntry;
}

void Write(CArchive& ar, const std::string& strPassword, const CSiteArray& sites) {
    ar.WriteString(kBanner);
    ar.WriteString(MakeCheckString(strPassword));
    ar.WriteDWord(static_cast<std::uint32_t>(sites.size()));
    for (const auto& pSite : sites) {
        ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
        pSite->Serialize(ar, strPassword);
    }
    ar.Flush();
}

void ReadHeader(CArchive& ar, std::string& strBanner, std::string& strCheck) {
    strBanner = ar.ReadString();
    strCheck = ar.ReadString();
}

namespace {

// The count and the tagged objects after the header: reserve is told of a count the rest of the file
// can hold and of the most bytes their strings can take, and readFields reads the fields of each object
// after its tag.
template <typename Reserve, typename ReadFields>
void ReadEachRecord(CArchive& ar, Reserve reserve, ReadFields readFields) {
    const auto nCount = static_cast<std::int32_t>(ar.ReadDWord());
    if (nCount <= 0)
        return;
    // Room is made ahead only for a count the rest of the file can hold; from a pipe the array grows
    // with the records that actually arrive, so a damaged count cannot reserve gigabytes.
    const std::int64_t nLeft = ar.BytesLeft();
    if (nLeft >= 0) {
        if (nCount > nLeft / kMinRecordSize)
            throw CArchiveException(CArchiveException::endOfFile);
        reserve(static_cast<std::size_t>(nCount), static_cast<std::size_t>(nLeft - nCount * kMinRecordSize));
    }
    for (std::int32_t i = 0; i < nCount; ++i) {
        ar.ReadClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
        readFields();
    }
}

} // namespace

void ReadRecords(CArchive& ar, const std::string& strPassword, CSiteArray& sites) {
    // The key's tables are worked out once for the whole load, and every field is deciphered where it was
    // read: no copy of the key or of the field is made per field.
    const CFieldDecipher decipher(strPassword);
    ReadEachRecord(
        ar, [&](std::size_t nCount, std::size_t) { sites.reserve(sites.size() + nCount); },
        [&] {
            auto pSite = std::make_unique<CSiteInfo>();
            for (std::string* p :
                 {&pSite->m_strSite, &pSite->m_strURL, &pSite->m_strUser, &pSite->m_strPswd, &pSite->m_strNotes}) {
                ar.AppendString(*p);
                decipher.Apply(p->data(), p->size());
            }
            sites.push_back(std::move(pSite));
        });
}

void ReadSiteNames(CArchive& ar, const std::string& strPassword, CSiteNameList& names) {
    const CFieldDecipher decipher(strPassword);
    ReadEachRecord(
        ar, [&](std::size_t nCount, std::size_t nText) { names.ReserveMore(nCount, nText); },
        [&] {
            // The site name is a record's first field; the URL, user name, password and notes follow.
            names.AddName([&](std::string& str) {
                const std::size_t nStart = str.size();
                ar.AppendString(str);
                decipher.Apply(str.data() + nStart, str.size() - nStart);
            });
            for (int nField = 1; nField < 5; ++nField)
                ar.SkipString();
        });
}

} // namespace SiteDatabaseFormat
