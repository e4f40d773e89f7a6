// Other password managers' exports read into the five fields: one hand-made file per format, each read to
// exact records and planned against a database, and the ways a file is refused.

#include "core/tools/SiteImport.h"
#include "FormatBytes.h"
#include "core/tools/SiteExport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using SiteImport::EFormat;

std::string Fixture(const char* pszName) {
    QFile file(QStringLiteral(LOCKWARDEN_TEST_DATA "/import/") + QString::fromUtf8(pszName));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << pszName;
    return file.readAll().toStdString();
}

std::vector<SiteFields> RowsOf(const SiteImport::CImport& imported) {
    std::vector<SiteFields> rows;
    for (const SiteCsv::Row& row : imported.rows)
        rows.push_back({row[0], row[1], row[2], row[3], row[4]});
    return rows;
}

// Every fixture has a row named as this site with other fields (a conflict) and a row twice (a duplicate).
const SiteFields kExisting{"example.com", "https://example.com", "old", "old-pw", ""};
const SiteFields kMail{"mail", "", "", "", ""};

struct CFixtureCase {
    const char* pszFile;
    EFormat format;
    std::vector<SiteFields> rows;
    std::size_t nAdded, nSkipped, nConflicts, nNotLogins;
};

TEST(SiteImportTest, EachFormatsFixtureReadsToExactRecordsAndPlansByTheMergeRule) {
    const std::vector<CFixtureCase> cases = {
        {"lockwarden.csv",
         EFormat::lockwarden,
         {{"Bank, Inc.", "https://bank.example", "jo \"the\" user", "p@ss", "line 1\r\nline 2"},
          {"example.com", "https://example.com", "other", "pw2", ""},
          kMail,
          kMail},
         2,
         2,
         1,
         0},
        // LF line ends and no byte-order mark; a name left empty is the URL's host.
        {"chrome.csv",
         EFormat::chrome,
         {{"example.com", "https://example.com/login", "ann", "pw,1", "first\r\nsecond"},
          {"shop.example", "https://www.shop.example/cart", "bob", "s3cr3t", ""},
          {"caf\xC3\xA9.example", "https://caf\xC3\xA9.example", "", "",
           "\xC3\xBCn\xC3\xAF"
           "code"},
          {"caf\xC3\xA9.example", "https://caf\xC3\xA9.example", "", "",
           "\xC3\xBCn\xC3\xAF"
           "code"}},
         3,
         1,
         1,
         0},
        {"firefox.csv",
         EFormat::firefox,
         {{"example.com", "https://www.example.com", "ann", "pw",
           "Form action origin: https://www.example.com\r\nGUID: {a1b2}\r\nCreated: 2023-11-14T22:13:20Z\r\n"
           "Last used: 2023-11-14T22:13:20Z\r\nPassword changed: 2023-11-14T22:13:20Z"},
          {"accounts.example.org", "https://accounts.example.org", "bob", "p\"q",
           "HTTP realm: Realm \"x\"\r\nGUID: {c3d4}"},
          {"accounts.example.org", "https://accounts.example.org", "bob", "p\"q",
           "HTTP realm: Realm \"x\"\r\nGUID: {c3d4}"}},
         2,
         1,
         1,
         0},
        {"safari.csv",
         EFormat::safari,
         {{"example.com", "https://example.com/", "ann", "pw",
           "two\r\nlines\r\notpauth://totp/Example:ann?secret=JBSWY3DPEHPK3PXP&issuer=Example"},
          {"Router", "http://192.168.1.1", "admin", "", ""},
          {"Router", "http://192.168.1.1", "admin", "", ""}},
         2,
         1,
         1,
         0},
        // Further URLs, the custom fields, folder and favourite as lines; a bare secret becomes a URI.
        {"bitwarden.csv",
         EFormat::bitwardenCsv,
         {{"example.com", "https://example.com", "ann", "pw",
           "my note\r\nURL: https://login.example.com\r\nPIN: 1234\r\nColor: blue\r\nFolder: Work\r\nFavorite: yes\r\n"
           "otpauth://totp/example.com?secret=JBSWY3DPEHPK3PXP"},
          {"Wifi", "", "", "", "SSID: home\r\nkey: abc"},
          {"Plain", "", "", "", ""},
          {"Plain", "", "", "", ""}},
         3,
         1,
         1,
         0},
        // A card and an identity are skipped and counted; a linked field without a value is nothing.
        {"bitwarden.json",
         EFormat::bitwardenJson,
         {{"example.com", "https://example.com", "ann", "p\xC3\xA4ss",
           "line one\r\nline \"two\"\r\nURL: https://sso.example.com\r\nPIN: 1234\r\nFolder: Work\r\nFavorite: yes\r\n"
           "Created: 2024-01-01T00:00:00.000Z\r\nModified: 2024-02-01T00:00:00.000Z\r\n"
           "otpauth://totp/example.com?secret=JBSWY3DPEHPK3PXP"},
          {"Wifi", "", "", "", "SSID: home"},
          {"Plain", "", "", "", "Reprompt: yes"},
          {"Plain", "", "", "", "Reprompt: yes"}},
         3,
         1,
         1,
         2},
        {"keepassxc.csv",
         EFormat::keepassxcCsv,
         {{"example.com", "https://example.com", "ann", "p,w",
           "multi\r\nline\r\nGroup: Root/Email\r\nModified: 2024-01-02T03:04:05Z\r\nCreated: 2024-01-01T00:00:00Z\r\n"
           "otpauth://totp/example.com:ann?secret=ABCDEFGH&period=30"},
          {"Empty", "", "", "", "Group: Root"},
          {"Empty", "", "", "", "Group: Root"}},
         2,
         1,
         1,
         0},
        // Nested groups make the path; the history's old versions are not sites.
        {"keepass.xml",
         EFormat::keepassXml,
         {{"example.com", "https://example.com", "ann", "p<w>",
           "first & foremost\r\nsecond\r\nRecovery email: ann@backup.example\r\nGroup: Root\r\nTags: work;mail\r\n"
           "Created: 2024-01-01T00:00:00Z\r\nModified: 2024-03-01T12:00:00Z\r\n"
           "otpauth://totp/example.com:ann?secret=JBSWY3DPEHPK3PXP"},
          {"Bank", "", "", "1234", "Group: Root/Banking/Cards"},
          {"Bank", "", "", "1234", "Group: Root/Banking/Cards"}},
         2,
         1,
         1,
         0},
        {"1password.csv",
         EFormat::onePassword,
         {{"example.com", "https://example.com", "ann", "pw\"1",
           "note \"quoted\"\r\nsecond line\r\nTags: work,mail\r\nFavorite: "
           "yes\r\notpauth://totp/example.com?secret=GEZDGNBV"},
          {"Old thing", "", "bob", "pw2", "Archived: yes"},
          {"Old thing", "", "bob", "pw2", "Archived: yes"}},
         2,
         1,
         1,
         0},
        // "http://sn" marks a secure note: no URL.
        {"lastpass.csv",
         EFormat::lastPass,
         {{"example.com", "https://example.com", "ann", "pw",
           "account 7\r\nblue\r\nFolder: Shopping\\Books\r\nFavorite: "
           "yes\r\notpauth://totp/example.com?secret=JBSWY3DPEHPK3PXP"},
          {"Server", "", "", "", "NoteType:Server Notes\r\nrack 4"},
          {"Server", "", "", "", "NoteType:Server Notes\r\nrack 4"}},
         2,
         1,
         1,
         0},
        // The e-mail is the user name where there is none, a line where there is; a card is skipped.
        {"protonpass.csv",
         EFormat::protonPass,
         {{"example.com", "https://example.com", "ann@example.com", "pw",
           "a\r\nb\r\nURL: https://m.example.com\r\nVault: Personal\r\nCreated: 2023-11-14T22:13:20Z\r\n"
           "Modified: 2023-11-14T22:14:20Z\r\notpauth://totp/example.com?secret=MFRGG"},
          {"Forum", "https://forum.example", "bob", "pw2", "Email: bob@example.com\r\nVault: Personal"},
          {"Recovery codes", "", "", "", "1111\r\n2222\r\nVault: Personal"},
          {"Forum", "https://forum.example", "bob", "pw2", "Email: bob@example.com\r\nVault: Personal"}},
         3,
         1,
         1,
         1},
    };
    const CSiteArray mine = MakeSites({kExisting, kMail});
    for (const CFixtureCase& c : cases) {
        SCOPED_TRACE(c.pszFile);
        const std::string strText = Fixture(c.pszFile);
        // Detected from the header or the document's shape, and the same when the format is named.
        for (const std::optional<EFormat> format : {std::optional<EFormat>(), std::optional<EFormat>(c.format)}) {
            SiteImport::CImport imported;
            std::string strError;
            ASSERT_TRUE(SiteImport::Read(strText, format, imported, strError)) << strError;
            EXPECT_EQ(imported.format, c.format);
            EXPECT_EQ(RowsOf(imported), c.rows);
            EXPECT_EQ(imported.nNotLogins, c.nNotLogins);

            SiteImport::CImportPlan plan;
            SiteImport::PlanImport(mine, imported, plan);
            EXPECT_EQ(plan.Added(), c.nAdded);
            EXPECT_EQ(plan.SkippedIdentical(), c.nSkipped);
            EXPECT_EQ(plan.Conflicts(), c.nConflicts);
            EXPECT_EQ(plan.merge.conflicts, std::vector<std::string>{"example.com"});
        }
    }
}

TEST(SiteImportTest, CountLinesTellTheSkippedItemsOnlyForFormatsThatHaveThem) {
    const CSiteArray mine = MakeSites({kExisting, kMail});
    struct Case {
        const char* pszFile;
        std::string strLines;
    } cases[] = {
        {"lockwarden.csv", "added: 2\nskipped identical: 2\nconflicts: 1\n"},
        {"bitwarden.json", "added: 3\nskipped identical: 1\nconflicts: 1\nskipped not logins: 2\n"},
        {"bitwarden.csv", "added: 3\nskipped identical: 1\nconflicts: 1\nskipped not logins: 0\n"},
    };
    for (const Case& c : cases) {
        SiteImport::CImport imported;
        std::string strError;
        ASSERT_TRUE(SiteImport::Read(Fixture(c.pszFile), std::nullopt, imported, strError)) << strError;
        SiteImport::CImportPlan plan;
        SiteImport::PlanImport(mine, imported, plan);
        EXPECT_EQ(SiteImport::CountLines(plan), c.strLines) << c.pszFile;
    }
}

TEST(SiteImportTest, HeadersMatchInAnyCaseAndOrderAndMoreColumnsOfAnOpenLayoutJoinTheNotes) {
    struct Case {
        const char* pszWhat;
        std::string strText;
        EFormat format;
        std::vector<SiteFields> rows;
    } cases[] = {
        {"the program's own, shuffled and in capitals",
         "NOTES,Password,URL,Site,User\r\nn,p,u,s,us\r\n",
         EFormat::lockwarden,
         {{"s", "u", "us", "p", "n"}}},
        {"Chrome without its note column",
         "name,url,username,password\nx,https://x.example,a,b\n",
         EFormat::chrome,
         {{"x", "https://x.example", "a", "b", ""}}},
        {"KeePassXC with a column of a later version",
         "Group,Title,Username,Password,URL,Notes,Expires\r\nRoot,t,u,p,,,2030-01-01\r\n",
         EFormat::keepassxcCsv,
         {{"t", "", "u", "p", "Group: Root\r\nExpires: 2030-01-01"}}},
        // The site name is percent-encoded in the URI built from a bare secret, the spaces of the secret dropped.
        {"a bare secret for a name with spaces and a slash",
         "Title,Website,Username,Password,OTPAuth\nA B/C,,u,p,abcd efgh\n",
         EFormat::onePassword,
         {{"A B/C", "", "u", "p", "otpauth://totp/A%20B%2FC?secret=abcdefgh"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        SiteImport::CImport imported;
        std::string strError;
        ASSERT_TRUE(SiteImport::Read(c.strText, std::nullopt, imported, strError)) << strError;
        EXPECT_EQ(imported.format, c.format);
        EXPECT_EQ(RowsOf(imported), c.rows);
    }
}

TEST(SiteImportTest, AMalformedExportIsRefusedWithTheLineOrPathAndTheReason) {
    const std::string strFormats = SiteImport::FormatTitles().toStdString();
    struct Case {
        const char* pszWhat;
        std::string strText;
        std::optional<EFormat> format;
        std::string strError; // exactly
    } cases[] = {
        {"an unknown column", "site,url,user,pswd,notes\r\na,b,c,d,e\r\n", std::nullopt,
         "line 1: the header matches no format this program reads (the first unknown column is \"pswd\"); it reads " +
             strFormats},
        {"a column missing", "name,url,username\r\n", std::nullopt,
         "line 1: the header matches no format this program reads (the column \"password\" is missing); it reads " +
             strFormats},
        {"the format named is not the file's", "name,url,username,password\r\n", EFormat::firefox,
         "line 1: the header is not that of Firefox CSV (the first unknown column is \"name\")"},
        {"an empty file", "", std::nullopt, "line 1: the file is empty"},
        {"a row too short", "name,url,username,password\nx,y,z,w\nx,y\n", std::nullopt,
         "line 3: 2 fields where 4 are expected"},
        {"a quote not closed", "Title,URL,Username,Password,Notes\n\"x,,,,\n", std::nullopt,
         "line 2: a quoted field is not closed"},
        {"neither a name nor a URL", "name,url,username,password\n,,ann,pw\n", std::nullopt,
         "line 2: the site name is empty"},
        {"a control character in a name", "Title,URL,Username,Password,Notes\n\"a\tb\",,,,\n", std::nullopt,
         "line 2: the site name holds a control character (line break, tab or other)"},
        {"JSON cut short", "{\n  \"items\": [\n", std::nullopt, "line 3: unterminated array"},
        {"an encrypted vault", "{\"encrypted\": true, \"items\": []}", std::nullopt,
         "encrypted: the export is encrypted: export the vault again without encryption"},
        {"no items", "{\"folders\": []}", std::nullopt, "items: an array is expected here"},
        {"URIs that are not a list", "{\"items\": [{\"type\": 1, \"name\": \"x\", \"login\": {\"uris\": 3}}]}",
         std::nullopt, "items[0].login.uris: an array is expected here"},
        {"a name that is an object", "{\"items\": [{}, {\"type\": 2, \"name\": {}}]}", std::nullopt,
         "items[1].name: a string is expected here"},
        {"XML tags crossed", "<KeePassFile>\n<Root><Group></Root>", std::nullopt,
         "line 2: Opening and ending tag mismatch."},
        {"XML that is not KeePass's", "<html/>", std::nullopt,
         "line 1: the document is not a KeePass XML export (its root element is \"html\")"},
        {"a protected value of a database's XML",
         "<KeePassFile><Root><Group><Name>R</Name><Entry>\n<String><Key>Password</Key><Value "
         "Protected=\"True\">AbC=</Value></String></Entry></Group></Root></KeePassFile>",
         std::nullopt,
         "KeePassFile/Root/Group/Entry (line 2): a protected value: this is a database, not an unencrypted XML "
         "export"},
        {"XML damaged after the entries",
         "<KeePassFile><Root><Group><Name>R</Name><Entry><String><Key>Title</Key><Value>t</Value></String></Entry>"
         "</Group></Root></KeePassFile>\n<more/>",
         std::nullopt, "line 2: Extra content at end of document."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        SiteImport::CImport imported;
        std::string strError;
        EXPECT_FALSE(SiteImport::Read(c.strText, c.format, imported, strError));
        EXPECT_EQ(strError, c.strError);
        EXPECT_TRUE(imported.rows.empty());
    }
}

} // namespace

// Only our own layout guards a field a spreadsheet would run as a formula, and only our own reader takes the
// guard off: a Bitwarden or KeePassXC layout is imported by those programs, which would keep the "'" as part
// of the password. Each layout reads back to the same fields.
TEST(SiteImportTest, FormulaGuardsBelongToOurOwnLayoutAndEveryLayoutReadsBackExactly) {
    const SiteFields kFormula{"=HYPERLINK(\"https://evil.example/\",\"Verify\")", "", "+user", "-pw", "@note"};
    CSiteArray sites;
    sites.push_back(std::make_unique<CSiteInfo>(kFormula[0], kFormula[1], kFormula[2], kFormula[3], kFormula[4]));
    struct Case {
        SiteExport::ELayout layout;
        EFormat format;
        bool bGuarded;
    } cases[] = {
        {SiteExport::ELayout::lockwarden, EFormat::lockwarden, true},
        {SiteExport::ELayout::bitwardenCsv, EFormat::bitwardenCsv, false},
        {SiteExport::ELayout::keepassxcCsv, EFormat::keepassxcCsv, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.layout));
        std::string strOut;
        SiteExport::WriteAll(strOut, c.layout, sites);
        EXPECT_EQ(strOut.find("'-pw") != std::string::npos, c.bGuarded) << strOut;
        EXPECT_EQ(strOut.find("'@note") != std::string::npos, c.bGuarded) << strOut;
        SiteImport::CImport imported;
        std::string strError;
        ASSERT_TRUE(SiteImport::Read(strOut, c.format, imported, strError)) << strError;
        ASSERT_EQ(RowsOf(imported).size(), 1u);
        EXPECT_EQ(RowsOf(imported)[0], kFormula);
    }
}

// Bitwarden's and KeePassXC's layouts have a column of their own for the one-time-password URI: the last
// otpauth:// line of the notes goes there and out of the notes, and reading the file back gives the notes as
// they were when the URI was their last line. Our own layout keeps the notes whole.
TEST(SiteImportTest, AnOtpAuthLineOfTheNotesMovesToTheTotpColumnAndReadsBack) {
    const std::string kUri = "otpauth://totp/Ex:ann?secret=JBSWY3DPEHPK3PXP&issuer=Ex";
    struct Layout {
        SiteExport::ELayout layout;
        EFormat format;
        std::size_t nNotesColumn, nTotpColumn; // 0: none
    } layouts[] = {
        {SiteExport::ELayout::lockwarden, EFormat::lockwarden, 4, 0},
        {SiteExport::ELayout::bitwardenCsv, EFormat::bitwardenCsv, 4, 10},
        {SiteExport::ELayout::keepassxcCsv, EFormat::keepassxcCsv, 5, 6},
    };
    struct Notes {
        const char* pszWhat;
        std::string strNotes;
        // Where a TOTP column takes the URI: what is left in the notes column, what the TOTP column holds
        // and the notes read back.
        std::string strLeft, strTotp, strBack;
    } notes[] = {
        {"the URI alone", kUri, "", kUri, kUri},
        {"the URI last", "pin 1234\r\nblue\r\n" + kUri, "pin 1234\r\nblue", kUri, "pin 1234\r\nblue\r\n" + kUri},
        {"the URI first, in capitals", "OTPAUTH://totp/x?secret=AB\r\nnote", "note", "OTPAUTH://totp/x?secret=AB",
         "note\r\nOTPAUTH://totp/x?secret=AB"},
        {"two URIs: the last moves", "otpauth://totp/a?secret=A\nmid\n" + kUri, "otpauth://totp/a?secret=A\nmid", kUri,
         "otpauth://totp/a?secret=A\r\nmid\r\n" + kUri},
        {"a URI inside a line stays", "see otpauth://totp/x?secret=AB", "see otpauth://totp/x?secret=AB", "",
         "see otpauth://totp/x?secret=AB"},
        {"no URI", "just\r\nnotes", "just\r\nnotes", "", "just\r\nnotes"},
    };
    for (const Layout& l : layouts)
        for (const Notes& n : notes) {
            SCOPED_TRACE(std::string(n.pszWhat) + " / layout " + std::to_string(static_cast<int>(l.layout)));
            CSiteArray sites;
            sites.push_back(std::make_unique<CSiteInfo>("Ex", "https://ex.example", "ann", "pw", n.strNotes));
            std::string strOut;
            SiteExport::WriteAll(strOut, l.layout, sites);

            std::vector<SiteCsv::Record> records;
            std::size_t nLine = 0;
            std::string strError;
            ASSERT_TRUE(SiteCsv::ReadRecords(strOut, records, nLine, strError)) << strError;
            ASSERT_EQ(records.size(), 2u);
            const bool bOwn = l.nTotpColumn == 0;
            EXPECT_EQ(records[1].fields[l.nNotesColumn], bOwn ? n.strNotes : n.strLeft);
            if (!bOwn) {
                EXPECT_EQ(records[1].fields[l.nTotpColumn], n.strTotp);
            }

            SiteImport::CImport imported;
            ASSERT_TRUE(SiteImport::Read(strOut, l.format, imported, strError)) << strError;
            ASSERT_EQ(imported.rows.size(), 1u);
            EXPECT_EQ(imported.rows[0][4], bOwn ? n.strNotes : n.strBack);
        }
}
