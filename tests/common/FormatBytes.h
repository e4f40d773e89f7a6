#pragma once

#include "core/database/SiteDatabaseFormat.h"
#include "core/database/SiteInfo.h"
#include "core/framework/Archive.h"

#include <QBuffer>
#include <QByteArray>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds database bytes by hand, one item at a time, so a test can damage exactly the item it is about.
class CBytes {
public:
    CBytes& Byte(int n) {
        m_bytes.append(static_cast<char>(n & 0xFF));
        return *this;
    }
    CBytes& Word(int n) { return Byte(n).Byte(n >> 8); }
    CBytes& DWord(std::uint32_t n) { return Word(static_cast<int>(n & 0xFFFF)).Word(static_cast<int>(n >> 16)); }
    CBytes& Raw(std::string_view str) {
        m_bytes.append(str.data(), static_cast<qsizetype>(str.size()));
        return *this;
    }
    // A string short enough for the one-byte length.
    CBytes& String(std::string_view str) { return Byte(static_cast<int>(str.size())).Raw(str); }
    // The banner and the check string.
    CBytes& Header(std::string_view strCheck = {}) { return String(SiteDatabaseFormat::kBanner).String(strCheck); }
    CBytes& ClassDescription(std::string_view strName = "CSiteInfo", int nSchema = 1) {
        return Word(0xFFFF).Word(nSchema).Word(static_cast<int>(strName.size())).Raw(strName);
    }
    CBytes& Fields(std::string_view a, std::string_view b, std::string_view c, std::string_view d, std::string_view e) {
        return String(a).String(b).String(c).String(d).String(e);
    }
    const QByteArray& Data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

using SiteFields = std::array<std::string, 5>;

inline CSiteArray MakeSites(const std::vector<SiteFields>& records) {
    CSiteArray sites;
    for (const SiteFields& f : records)
        sites.push_back(std::make_unique<CSiteInfo>(f[0], f[1], f[2], f[3], f[4]));
    return sites;
}

inline std::vector<SiteFields> FieldsOf(const CSiteArray& sites) {
    std::vector<SiteFields> records;
    for (const auto& p : sites)
        records.push_back({p->m_strSite, p->m_strURL, p->m_strUser, p->m_strPswd, p->m_strNotes});
    return records;
}

// The whole file the writer makes for these records, in memory.
inline QByteArray WriteDatabase(const std::string& strPassword, const CSiteArray& sites) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    SiteDatabaseFormat::Write(ar, strPassword, sites);
    return bytes;
}
