#include "AllocationProbe.h"
#include "FormatBytes.h"
#include "SequentialDevice.h"

#include "core/database/FieldCipher.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

QByteArray Hex(const char* pHex) {
    return QByteArray::fromHex(pHex);
}

const char* const kBannerHex = "16 4C6F636B77617264656E2056657273696F6E20312E30";

// How a load ended: which step threw, with which cause, or the records it gave.
struct Loaded {
    enum Step { none, header, records } nFailedIn = none;
    std::optional<CArchiveException::Cause> cause;
    std::string strBanner, strCheck;
    CSiteArray sites;
};

Loaded LoadFrom(CArchive& ar, const std::string& strPassword) {
    Loaded result;
    try {
        SiteDatabaseFormat::ReadHeader(ar, result.strBanner, result.strCheck);
    } catch (const CArchiveException& e) {
        result.nFailedIn = Loaded::header;
        result.cause = e.m_cause;
        return result;
    }
    try {
        SiteDatabaseFormat::ReadRecords(ar, strPassword, result.sites);
    } catch (const CArchiveException& e) {
        result.nFailedIn = Loaded::records;
        result.cause = e.m_cause;
    }
    return result;
}

Loaded LoadFrom(QIODevice& device, const std::string& strPassword, int nBufferSize) {
    device.open(QIODevice::ReadOnly);
    CArchive ar(&device, CArchive::load, nBufferSize);
    return LoadFrom(ar, strPassword);
}

// The ways a file is read: a seekable buffer with the open check's buffer size, the same with a tiny
// buffer, a pipe that cannot tell its size, and the bytes in memory as a load reads a mapped file.
struct Reader {
    enum Kind { buffer, pipe, memory };
    const char* pName;
    Kind nKind;
    int nBufferSize;

    // The archive over bytes; pDevice keeps the device it reads, if any.
    std::unique_ptr<CArchive> MakeArchive(const QByteArray& bytes, std::unique_ptr<QIODevice>& pDevice) const {
        if (nKind == memory)
            return std::make_unique<CArchive>(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (nKind == pipe) {
            pDevice = std::make_unique<CSequentialDevice>(bytes);
        } else {
            auto pBuffer = std::make_unique<QBuffer>();
            pBuffer->setData(bytes);
            pDevice = std::move(pBuffer);
        }
        pDevice->open(QIODevice::ReadOnly);
        return std::make_unique<CArchive>(pDevice.get(), CArchive::load, nBufferSize);
    }
};

const std::vector<Reader>& Readers() {
    static const std::vector<Reader> readers = {{"buffer", Reader::buffer, 4096},
                                                {"buffer of 16", Reader::buffer, 16},
                                                {"pipe", Reader::pipe, 16},
                                                {"memory", Reader::memory, 0}};
    return readers;
}

Loaded Load(const QByteArray& bytes, const std::string& strPassword = {}, const Reader& reader = Readers()[0]) {
    std::unique_ptr<QIODevice> pDevice;
    const std::unique_ptr<CArchive> pArchive = reader.MakeArchive(bytes, pDevice);
    return LoadFrom(*pArchive, strPassword);
}

// ---- the layout the writer produces ----

TEST(SiteDatabaseFormat, OneRecordWithoutPasswordIsThe53BytesOfTheWorkedExample) {
    const QByteArray bytes = WriteDatabase("", MakeSites({{"a", "b", "c", "d", "e"}}));
    const QByteArray expected = Hex(kBannerHex) + Hex("00 01000000 FFFF 0100 0900 4353697465496E666F"
                                                      "0161 0162 0163 0164 0165");
    EXPECT_EQ(bytes.size(), 53);
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(SiteDatabaseFormat, EmptyDatabaseWithoutPasswordIs28Bytes) {
    const QByteArray bytes = WriteDatabase("", {});
    EXPECT_EQ(bytes.toHex(' '), (Hex(kBannerHex) + Hex("00 00000000")).toHex(' '));
}

TEST(SiteDatabaseFormat, LaterRecordsReferToTheClassDescribedFirst) {
    const QByteArray bytes =
        WriteDatabase("", MakeSites({{"a", "", "", "", ""}, {"b", "", "", "", ""}, {"", "", "", "", ""}}));
    const QByteArray expected = Hex(kBannerHex) + Hex("00 03000000 FFFF 0100 0900 4353697465496E666F 0161 00 00 00 00"
                                                      "0180 0162 00 00 00 00 0180 00 00 00 00 00");
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(SiteDatabaseFormat, EveryFieldIsEncipheredFromTheFirstKeyByte) {
    // Key bytes with one and two one bits: 0x81 becomes 0x03 under the first, 0x06 under the second;
    // the check string is the key under itself, 0x02 0x0C.
    const std::string strPassword = "\x01\x03";
    const QByteArray bytes =
        WriteDatabase(strPassword, MakeSites({{"\x81\x81", "\x81\x81", "\x81", "", "\x81\x81\x81"}}));
    const QByteArray expected = Hex(kBannerHex) + Hex("02 020C 01000000 FFFF 0100 0900 4353697465496E666F"
                                                      "020306 020306 0103 00 03030603");
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(SiteDatabaseFormat, CheckStringHasThePasswordsLengthAndNoNul) {
    for (const std::string strPassword : {"x", "pass word", "\x01\x02\x04\x08\x10\x20\x40\x80\xFF"}) {
        const Loaded loaded = Load(WriteDatabase(strPassword, {}), strPassword);
        EXPECT_EQ(loaded.strCheck.size(), strPassword.size());
        EXPECT_EQ(loaded.strCheck.find('\0'), std::string::npos);
        EXPECT_EQ(loaded.strCheck, EncipherText(strPassword, strPassword));
        EXPECT_EQ(loaded.strBanner, "Lockwarden Version 1.0");
    }
}

TEST(SiteDatabaseFormat, AnotherPasswordChangesTheBytesButNoLength) {
    const std::vector<SiteFields> records = {{"Bank", "https://bank.example", "me", "s3cret", "notes"}};
    const QByteArray before = WriteDatabase("old password", MakeSites(records));
    const QByteArray after = WriteDatabase("new password", MakeSites(records));
    EXPECT_EQ(after.size(), before.size());
    EXPECT_NE(after.mid(23, 13), before.mid(23, 13)) << "the check string";
    const Loaded loaded = Load(after, "new password");
    ASSERT_EQ(loaded.nFailedIn, Loaded::none);
    EXPECT_EQ(FieldsOf(loaded.sites), records);
}

TEST(SiteDatabaseFormat, A300ByteFieldHasTheTwoByteLength) {
    const QByteArray bytes = WriteDatabase("", MakeSites({{std::string(300, 'x'), "", "", "", ""}}));
    // 28 bytes of header and count, 15 of class description, then the first field.
    EXPECT_EQ(bytes.mid(43, 3).toHex(' '), "ff 2c 01");
    EXPECT_EQ(bytes.size(), 43 + 3 + 300 + 4);
}

TEST(SiteDatabaseFormat, A70000ByteFieldHasTheFourByteLength) {
    const QByteArray bytes = WriteDatabase("", MakeSites({{"", "", "", "", std::string(70000, 'n')}}));
    EXPECT_EQ(bytes.mid(47, 7).toHex(' '), "ff ff ff 70 11 01 00");
    EXPECT_EQ(bytes.size(), 47 + 7 + 70000);
}

struct LengthCase {
    std::size_t n;
    const char* pPrefixHex;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LengthCase& c, std::ostream* pOut) {
    *pOut << c.n;
}

class SiteDatabaseFormatStringLengths : public testing::TestWithParam<LengthCase> {};

TEST_P(SiteDatabaseFormatStringLengths, TakeTheirPrefixAndReadBackThroughEveryDevice) {
    const LengthCase& c = GetParam();
    std::string str(c.n, '\0');
    for (std::size_t i = 0; i < c.n; ++i)
        str[i] = static_cast<char>('A' + i % 26);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CArchive ar(&buffer, CArchive::store);
        ar.WriteString(str);
        ar.WriteByte(0x5A); // what follows the string must still be in its place
        ar.Flush();
    }
    const QByteArray prefix = Hex(c.pPrefixHex);
    EXPECT_EQ(bytes.left(prefix.size()).toHex(' '), prefix.toHex(' '));
    EXPECT_EQ(static_cast<std::size_t>(bytes.size()), prefix.size() + c.n + 1);
    for (const Reader& reader : Readers()) {
        std::unique_ptr<QIODevice> pDevice;
        const std::unique_ptr<CArchive> pArchive = reader.MakeArchive(bytes, pDevice);
        EXPECT_EQ(pArchive->ReadString(), str) << reader.pName;
        EXPECT_EQ(pArchive->ReadByte(), 0x5A) << reader.pName;
        EXPECT_EQ(pArchive->BytesLeft(), reader.nKind == Reader::pipe ? -1 : 0) << reader.pName;
        EXPECT_THROW(pArchive->ReadByte(), CArchiveException) << reader.pName;
    }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SiteDatabaseFormatStringLengths,
                         testing::Values(LengthCase{0, "00"}, LengthCase{1, "01"}, LengthCase{254, "FE"},
                                         LengthCase{255, "FF FF00"}, LengthCase{256, "FF 0001"},
                                         LengthCase{65533, "FF FDFF"}, LengthCase{65534, "FF FFFF FEFF0000"},
                                         LengthCase{65535, "FF FFFF FFFF0000"}, LengthCase{70000, "FF FFFF 70110100"}),
                         [](const testing::TestParamInfo<LengthCase>& info) { return std::to_string(info.param.n); });

TEST(SiteDatabaseFormat, WriteReadWriteGivesTheSameBytes) {
    const std::vector<SiteFields> records = {
        {"Bank", "https://bank.example/login", "me", "s3cr\xE9t", "line one\r\nline two"},
        {"", "", "", "", ""},
        {std::string(300, 's'), "u", std::string(255, 'n'), "\x80\xFF\x01", std::string(70000, 'z')},
        {"Bank", "https://other.example", "you", "pw", "same name twice"},
    };
    for (const std::string strPassword : {"", "correct horse", "\xFF\x00\x7F"}) {
        const QByteArray first = WriteDatabase(strPassword, MakeSites(records));
        for (const Reader& reader : Readers()) {
            const Loaded loaded = Load(first, strPassword, reader);
            ASSERT_EQ(loaded.nFailedIn, Loaded::none) << reader.pName;
            EXPECT_EQ(FieldsOf(loaded.sites), records) << reader.pName;
            EXPECT_EQ(WriteDatabase(strPassword, loaded.sites), first) << reader.pName;
        }
    }
}

// A device that takes only so many bytes, as a full disk does.
class CFullDevice : public QIODevice {
public:
    explicit CFullDevice(qint64 nRoom) : m_nRoom(nRoom) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 n) override {
        if (n > m_nRoom)
            return -1;
        m_nRoom -= n;
        return n;
    }

private:
    qint64 m_nRoom;
};

TEST(SiteDatabaseFormat, AWriteTheDeviceRefusesIsReported) {
    const CSiteArray sites = MakeSites({{"a", "b", "c", "d", std::string(10000, 'e')}});
    for (qint64 nRoom : {0, 100, 4096, 9000}) {
        CFullDevice device(nRoom);
        CArchive ar(&device, CArchive::store);
        try {
            SiteDatabaseFormat::Write(ar, "pw", sites);
            ADD_FAILURE() << "no error with room for " << nRoom << " bytes";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::writeError) << nRoom;
        }
    }
}

// ---- truncated files ----

TEST(SiteDatabaseFormatTruncation, EveryCutOfAFileEndsInTheStepThatHoldsIt) {
    const std::string strPassword = "pw";
    const std::vector<SiteFields> records = {{"Bank", "https://b.example", "me", "s3cret", "notes"},
                                             {"Mail", "", "me@example", "pw", ""},
                                             {"x", "y", "z", "w", "v"}};
    const QByteArray whole = WriteDatabase(strPassword, MakeSites(records));
    const qsizetype nHeaderEnd = 23 + 3; // banner, then the check string of two bytes
    for (qsizetype n = 0; n <= whole.size(); ++n) {
        for (const Reader& reader : Readers()) {
            SCOPED_TRACE(testing::Message() << "first " << n << " of " << whole.size() << " bytes, " << reader.pName);
            const Loaded loaded = Load(whole.left(n), strPassword, reader);
            if (n < nHeaderEnd) {
                ASSERT_EQ(loaded.nFailedIn, Loaded::header);
                ASSERT_EQ(loaded.cause, CArchiveException::endOfFile);
            } else if (n < whole.size()) {
                ASSERT_EQ(loaded.nFailedIn, Loaded::records);
                ASSERT_EQ(loaded.cause, CArchiveException::endOfFile);
            } else {
                ASSERT_EQ(loaded.nFailedIn, Loaded::none);
                ASSERT_EQ(FieldsOf(loaded.sites), records);
            }
        }
    }
}

QByteArray Fixture(const char* pName) {
    QFile file(QStringLiteral(LOCKWARDEN_TEST_DATA "/") + QLatin1String(pName));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << pName;
    return file.readAll();
}

TEST(SiteDatabaseFormatTruncation, AFileEndingInsideTheCheckStringFailsInTheHeader) {
    QFile file(QStringLiteral(LOCKWARDEN_TEST_DATA "/truncated-in-check-string.lwd"));
    const Loaded loaded = LoadFrom(file, "", CArchive::kDefaultBufferSize);
    EXPECT_EQ(loaded.nFailedIn, Loaded::header);
    EXPECT_EQ(loaded.cause, CArchiveException::endOfFile);
}

// ---- damaged tags and records ----

struct DamageCase {
    const char* pName;
    QByteArray bytes;
    std::optional<CArchiveException::Cause> cause; // none: loads
    std::size_t nRecords = 0;                      // when it loads
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DamageCase& c, std::ostream* pOut) {
    *pOut << c.pName;
}

CBytes TwoRecordsUpToSecondTag() {
    CBytes b;
    b.Header().DWord(2).ClassDescription().Fields("a", "b", "c", "d", "e");
    return b;
}

std::vector<DamageCase> DamageCases() {
    using C = CArchiveException;
    std::vector<DamageCase> cases;
    auto add = [&](const char* pName, const CBytes& b, std::optional<C::Cause> cause, std::size_t nRecords = 0) {
        cases.push_back({pName, b.Data(), cause, nRecords});
    };
    add("TwoGoodRecords", TwoRecordsUpToSecondTag().Word(0x8001).Fields("f", "g", "h", "i", "j"), std::nullopt, 2);
    add("OtherClassName", CBytes().Header().DWord(1).ClassDescription("CSiteInfX").Fields("a", "b", "c", "d", "e"),
        C::badClass);
    add("ClassNameInOtherCase", CBytes().Header().DWord(1).ClassDescription("csiteinfo").Fields("a", "", "", "", ""),
        C::badClass);
    add("LongerClassName", CBytes().Header().DWord(1).ClassDescription("CSiteInfo2").Fields("a", "", "", "", ""),
        C::badClass);
    add("Schema2", CBytes().Header().DWord(1).ClassDescription("CSiteInfo", 2).Fields("a", "", "", "", ""),
        C::badSchema);
    add("Schema0", CBytes().Header().DWord(1).ClassDescription("CSiteInfo", 0).Fields("a", "", "", "", ""),
        C::badSchema);
    add("NameLength63", CBytes().Header().DWord(1).ClassDescription(std::string(63, 'N')).Fields("", "", "", "", ""),
        C::badClass);
    add("NameLength64", CBytes().Header().DWord(1).ClassDescription(std::string(64, 'N')).Fields("", "", "", "", ""),
        C::generic);
    add("NameLength65535", CBytes().Header().DWord(1).Word(0xFFFF).Word(1).Word(0xFFFF).Raw("CSiteInfo"), C::generic);
    add("Reference1BeforeDescription", CBytes().Header().DWord(1).Word(0x8001).Fields("a", "", "", "", ""),
        C::badIndex);
    add("Reference2BeforeDescription", CBytes().Header().DWord(1).Word(0x8002).Fields("a", "", "", "", ""),
        C::badIndex);
    add("Reference2AfterDescription", TwoRecordsUpToSecondTag().Word(0x8002).Fields("f", "", "", "", ""), C::badIndex);
    add("Reference0", TwoRecordsUpToSecondTag().Word(0x8000).Fields("f", "", "", "", ""), C::badIndex);
    add("ReferenceFar", TwoRecordsUpToSecondTag().Word(0xFFFE).Fields("f", "", "", "", ""), C::badIndex);
    add("NullObjectFirst", CBytes().Header().DWord(1).Word(0x0000).Fields("a", "", "", "", ""), C::generic);
    add("NullObjectSecond", TwoRecordsUpToSecondTag().Word(0x0000).Fields("f", "", "", "", ""), C::generic);
    add("ObjectBackReference", TwoRecordsUpToSecondTag().Word(0x0001).Fields("f", "", "", "", ""), C::generic);
    add("LongTagForm", TwoRecordsUpToSecondTag().Word(0x7FFF).DWord(1).Fields("f", "", "", "", ""), C::generic);
    add("CountZeroWithRecordsAfterIt", CBytes().Header().DWord(0).ClassDescription().Fields("a", "b", "c", "d", "e"),
        std::nullopt, 0);
    add("CountWithTopBitSet", CBytes().Header().DWord(0x80000001u).ClassDescription().Fields("a", "b", "c", "d", "e"),
        std::nullopt, 0);
    add("CountAllOnes", CBytes().Header().DWord(0xFFFFFFFFu).ClassDescription().Fields("a", "b", "c", "d", "e"),
        std::nullopt, 0);
    add("CountBeyondTheRecords",
        CBytes()
            .Header()
            .DWord(3)
            .ClassDescription()
            .Fields("a", "b", "c", "d", "e")
            .Word(0x8001)
            .Fields("f", "g", "h", "i", "j"),
        C::endOfFile);
    add("BytesAfterTheLastCountedRecord",
        TwoRecordsUpToSecondTag().Word(0x8001).Fields("f", "g", "h", "i", "j").Raw("junk"), std::nullopt, 2);
    add("UnicodeMarkerTwice",
        CBytes()
            .Header()
            .DWord(1)
            .ClassDescription()
            .Byte(0xFF)
            .Word(0xFFFE)
            .Byte(0xFF)
            .Word(0xFFFE)
            .Byte(1)
            .Raw(std::string("a\0", 2))
            .Fields("", "", "", "", ""),
        C::generic);
    return cases;
}

class SiteDatabaseFormatDamagedFiles : public testing::TestWithParam<DamageCase> {};

TEST_P(SiteDatabaseFormatDamagedFiles, AreRefusedOrLoadedAsTheyMust) {
    const DamageCase& c = GetParam();
    for (const Reader& reader : Readers()) {
        SCOPED_TRACE(reader.pName);
        const Loaded loaded = Load(c.bytes, "", reader);
        if (c.cause) {
            EXPECT_EQ(loaded.nFailedIn, Loaded::records);
            EXPECT_EQ(loaded.cause, c.cause);
        } else {
            EXPECT_EQ(loaded.nFailedIn, Loaded::none);
            EXPECT_EQ(loaded.sites.size(), c.nRecords);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tags, SiteDatabaseFormatDamagedFiles, testing::ValuesIn(DamageCases()),
                         [](const testing::TestParamInfo<DamageCase>& info) { return info.param.pName; });

TEST(SiteDatabaseFormatSixteenBitStrings, AreReadAndTurnedIntoUtf8) {
    // "café€" in 16-bit characters as the site name; a 300-character one (two-byte length) as the notes.
    std::string strNotes16;
    for (int i = 0; i < 300; ++i)
        strNotes16 += std::string("\xE9\x00", 2);
    const QByteArray bytes = CBytes()
                                 .Header()
                                 .DWord(1)
                                 .ClassDescription()
                                 .Byte(0xFF)
                                 .Word(0xFFFE)
                                 .Byte(5)
                                 .Raw(std::string("c\0a\0f\0\xE9\0\xAC\x20", 10))
                                 .Fields("", "", "", "", "")
                                 .Data();
    for (const Reader& reader : Readers()) {
        const Loaded loaded = Load(bytes, "", reader);
        ASSERT_EQ(loaded.nFailedIn, Loaded::none) << reader.pName;
        ASSERT_EQ(loaded.sites.size(), 1u);
        EXPECT_EQ(loaded.sites[0]->m_strSite, "caf\xC3\xA9\xE2\x82\xAC") << reader.pName;
        EXPECT_EQ(loaded.sites[0]->m_strURL, "") << reader.pName;
    }
    QByteArray withLongNotes = CBytes().Header().DWord(1).ClassDescription().Fields("", "", "", "", "").Data();
    withLongNotes.chop(1);
    withLongNotes += CBytes().Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(300).Raw(strNotes16).Data();
    const Loaded loaded = Load(withLongNotes);
    ASSERT_EQ(loaded.nFailedIn, Loaded::none);
    std::string strExpected;
    for (int i = 0; i < 300; ++i)
        strExpected += "\xC3\xA9";
    EXPECT_EQ(loaded.sites[0]->m_strNotes, strExpected);
}

TEST(SiteDatabaseFormatSixteenBitStrings, AreDecipheredAfterConversion) {
    // A key byte of four one bits turns "AB" into the ASCII bytes 0x14 0x24, which the 16-bit form
    // carries unchanged; the cipher then sees the converted 8-bit text.
    const std::string strPassword = "\x0F";
    const std::string strStored = EncipherText(strPassword, "AB");
    ASSERT_EQ(strStored, "\x14\x24");
    const QByteArray bytes = CBytes()
                                 .Header(EncipherText(strPassword, strPassword))
                                 .DWord(1)
                                 .ClassDescription()
                                 .Byte(0xFF)
                                 .Word(0xFFFE)
                                 .Byte(2)
                                 .Raw(std::string{strStored[0], '\0', strStored[1], '\0'})
                                 .Fields("", "", "", "", "")
                                 .Data();
    const Loaded loaded = Load(bytes, strPassword);
    ASSERT_EQ(loaded.nFailedIn, Loaded::none);
    EXPECT_EQ(loaded.sites[0]->m_strSite, "AB");
}

// ---- lengths and counts that the file cannot back ----

constexpr std::size_t kSmallAllocation = 64 * 1024;

TEST(SiteDatabaseFormatReaderLimits, TheProbeSeesALargeAllocation) {
    if (!AllocationProbe::Available())
        GTEST_SKIP() << "operator new belongs to the sanitizer in this build";
    AllocationProbe::CScope scope;
    std::string str(std::size_t{1} << 20, 'x');
    EXPECT_GE(scope.Largest(), std::size_t{1} << 20);
}

TEST(SiteDatabaseFormatReaderLimits, LengthsAndCountsTheFileCannotHoldThrowBeforeAllocating) {
    // A banner claiming four gigabytes in an 11-byte file; a count of two billion before one record.
    const struct {
        const char* pFixture;
        Loaded::Step nFailedIn;
    } cases[] = {{"claims-4gib-banner.lwd", Loaded::header}, {"claims-two-billion-records.lwd", Loaded::records}};
    for (const auto& c : cases) {
        const QByteArray bytes = Fixture(c.pFixture);
        ASSERT_LE(bytes.size(), 64) << c.pFixture;
        for (const Reader& reader : Readers()) {
            SCOPED_TRACE(testing::Message() << c.pFixture << ", " << reader.pName);
            AllocationProbe::CScope scope;
            const Loaded loaded = Load(bytes, "", reader);
            EXPECT_EQ(loaded.nFailedIn, c.nFailedIn);
            EXPECT_EQ(loaded.cause, CArchiveException::endOfFile);
            EXPECT_LT(scope.Largest(), kSmallAllocation);
        }
    }
}

TEST(SiteDatabaseFormatReaderLimits, FromAPipeAClaimedStringGrowsOnlyWithTheBytesThatArrive) {
    const qsizetype nSent = 3 << 20;
    const QByteArray bytes = CBytes().Byte(0xFF).Word(0xFFFF).DWord(0xFFFFFFF0u).Data() + QByteArray(nSent, 'x');
    CSequentialDevice pipe(bytes);
    AllocationProbe::CScope scope;
    const Loaded loaded = LoadFrom(pipe, "", CArchive::kDefaultBufferSize);
    EXPECT_EQ(loaded.nFailedIn, Loaded::header);
    EXPECT_EQ(loaded.cause, CArchiveException::endOfFile);
    EXPECT_EQ(pipe.BytesHandedOut(), bytes.size());
    // The string may double as it fills, but never reaches for the length it claims.
    EXPECT_LE(scope.Largest(), std::size_t{2} * static_cast<std::size_t>(nSent) + kSmallAllocation);
}

TEST(SiteDatabaseFormatReaderLimits, FromAPipeAClaimedCountGrowsOnlyWithTheRecordsThatArrive) {
    CBytes b;
    b.Header().DWord(2000000000u).ClassDescription().Fields("a", "b", "c", "d", "e");
    for (int i = 0; i < 5000; ++i)
        b.Word(0x8001).Fields("site", "url", "user", "pswd", "notes");
    CSequentialDevice pipe(b.Data());
    AllocationProbe::CScope scope;
    const Loaded loaded = LoadFrom(pipe, "", CArchive::kDefaultBufferSize);
    EXPECT_EQ(loaded.nFailedIn, Loaded::records);
    EXPECT_EQ(loaded.cause, CArchiveException::endOfFile);
    EXPECT_EQ(loaded.sites.size(), 5001u);
    EXPECT_LT(scope.Largest(), kSmallAllocation * 2);
}

} // namespace
