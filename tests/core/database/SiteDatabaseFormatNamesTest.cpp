#include "FormatBytes.h"

#include "core/database/FieldCipher.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kPassword = "names only";

// A database whose fields take every length form, so skipping has to follow each of them, plus a URL
// and a site name in the 16-bit form that only files written elsewhere hold.
QByteArray SampleDatabase() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    ar.WriteString(SiteDatabaseFormat::kBanner);
    ar.WriteString(SiteDatabaseFormat::MakeCheckString(kPassword));
    ar.WriteDWord(5);
    const std::vector<std::vector<std::string>> records = {
        {"first", "https://example.com", "me", "secret", ""},
        {std::string(300, 's'), std::string(254, 'u'), std::string(255, 'v'), "", std::string(70000, 'n')},
        {"", "", "", "", ""},
    };
    CSiteArray sites;
    for (const auto& fields : records)
        sites.push_back(std::make_unique<CSiteInfo>(fields[0], fields[1], fields[2], fields[3], fields[4]));
    for (const auto& pSite : sites) {
        ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
        pSite->Serialize(ar, kPassword);
    }
    // The last record: its URL is stored in 16-bit characters.
    ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
    ar.WriteString(EncipherText(kPassword, "w"));
    ar.WriteByte(0xFF);
    ar.WriteWord(0xFFFE);
    ar.WriteByte(2);
    ar.WriteBytes("h\0i\0", 4);
    for (int i = 0; i < 3; ++i)
        ar.WriteString("");
    // And one whose stored name is "é!" in 16-bit characters: deciphered after it is turned into UTF-8.
    ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
    const QString strUnits = QString::fromUtf8("\xC3\xA9!");
    ar.WriteByte(0xFF);
    ar.WriteWord(0xFFFE);
    ar.WriteByte(static_cast<std::uint8_t>(strUnits.size()));
    ar.WriteBytes(reinterpret_cast<const char*>(strUnits.utf16()), static_cast<std::size_t>(strUnits.size()) * 2);
    for (int i = 0; i < 4; ++i)
        ar.WriteString("");
    ar.Flush();
    return bytes;
}

// What a reader made of the bytes: the names, or the cause of its failure.
struct Outcome {
    std::vector<std::string> names;
    std::optional<CArchiveException::Cause> failure;
    bool operator==(const Outcome&) const = default;
};

// A buffer size of 0 reads the bytes where they lie, as a load reads a mapped file.
constexpr int kInMemory = 0;

template <typename Read> Outcome ReadWith(const QByteArray& bytes, int nBufferSize, Read read) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar = nBufferSize == kInMemory ? CArchive(copy.constData(), static_cast<std::size_t>(copy.size()))
                                           : CArchive(&buffer, CArchive::load, nBufferSize);
    Outcome outcome;
    try {
        std::string strBanner, strCheck;
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        read(ar, outcome.names);
    } catch (const CArchiveException& e) {
        outcome.failure = e.m_cause;
        outcome.names.clear();
    }
    return outcome;
}

Outcome ReadAllRecords(const QByteArray& bytes, int nBufferSize) {
    return ReadWith(bytes, nBufferSize, [](CArchive& ar, std::vector<std::string>& names) {
        CSiteArray sites;
        SiteDatabaseFormat::ReadRecords(ar, kPassword, sites);
        for (const auto& pSite : sites)
            names.push_back(pSite->m_strSite);
    });
}

Outcome ReadNamesOnly(const QByteArray& bytes, int nBufferSize) {
    return ReadWith(bytes, nBufferSize, [](CArchive& ar, std::vector<std::string>& names) {
        CSiteNameList list;
        SiteDatabaseFormat::ReadSiteNames(ar, kPassword, list);
        for (std::size_t i = 0; i < list.size(); ++i) {
            names.emplace_back(list[i]);
            // A listing writes the name with its line feed in one piece.
            EXPECT_EQ(list.Line(i), std::string(list[i]) + '\n');
        }
    });
}

} // namespace

TEST(ReadSiteNames, GivesTheNamesOfTheFullRead) {
    const QByteArray bytes = SampleDatabase();
    const Outcome full = ReadAllRecords(bytes, CArchive::kDefaultBufferSize);
    ASSERT_FALSE(full.failure);
    ASSERT_EQ(full.names, (std::vector<std::string>{"first", std::string(300, 's'), "", "w",
                                                    DecipherText(kPassword, "\xC3\xA9!")}));
    // A small buffer makes the long fields cross many refills while they are skipped.
    for (int nBufferSize : {16, 100, CArchive::kDefaultBufferSize, 1 << 16, kInMemory})
        EXPECT_EQ(ReadNamesOnly(bytes, nBufferSize), full) << nBufferSize;
}

TEST(ReadSiteNames, ManyLongNamesKeepTheirBytesWhereverTheRoomForThemWasMade) {
    // Half a megabyte of names, so the room made ahead is filled many times over, and names that use all
    // the room the file allows them (every other field empty).
    std::vector<SiteFields> records;
    for (int i = 0; i < 3000; ++i)
        records.push_back({std::string(100 + i % 150, static_cast<char>('a' + i % 26)) + std::to_string(i), "", "", "",
                           i % 2 == 0 ? "" : "notes"});
    const QByteArray bytes = WriteDatabase(kPassword, MakeSites(records));
    const Outcome full = ReadAllRecords(bytes, CArchive::kDefaultBufferSize);
    ASSERT_FALSE(full.failure);
    ASSERT_EQ(full.names.size(), records.size());
    EXPECT_EQ(full.names[2999], records[2999][0]);
    for (int nBufferSize : {100, kInMemory})
        EXPECT_EQ(ReadNamesOnly(bytes, nBufferSize), full) << nBufferSize;
}

TEST(ReadSiteNames, FailsWhereTheFullReadFails) {
    const QByteArray bytes = SampleDatabase();
    // Cut short anywhere, and with a stray byte changed in the tags and lengths of the first records.
    for (qsizetype n = 0; n < bytes.size(); n += n < 400 ? 1 : 97) {
        const QByteArray cut = bytes.left(n);
        EXPECT_EQ(ReadNamesOnly(cut, 100), ReadAllRecords(cut, 100)) << "cut at " << n;
        EXPECT_EQ(ReadNamesOnly(cut, kInMemory), ReadAllRecords(cut, 100)) << "cut at " << n << ", in memory";
    }
    for (qsizetype n = 23; n < 400; ++n) {
        QByteArray changed = bytes;
        changed[n] = static_cast<char>(changed[n] ^ 0x80);
        EXPECT_EQ(ReadNamesOnly(changed, 100), ReadAllRecords(changed, 100)) << "byte " << n << " changed";
        EXPECT_EQ(ReadNamesOnly(changed, kInMemory), ReadAllRecords(changed, 100)) << "byte " << n << " changed";
    }
}
