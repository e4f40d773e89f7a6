// lockwarden-cli analyze, run as a user runs it, on a database made with the companion itself and a breach
// list made on the spot.
#include "BreachListFiles.h"
#include "CliRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QByteArray kFilePassword = "analyze\n";
// The sites as a CSV import takes them; the second "Forum" has a strong password of its own.
const QByteArray kSitesCsv = "site,url,user,password,notes\r\n"
                             "Bank,https://bank.example,al,q7#Vk2!pL9xZw4,\r\n"
                             "Mail,,,q7#Vk2!pL9xZw4,\r\n"
                             "Shop,,,,\r\n"
                             "Forum,,,password,\r\n"
                             "Forum,,,Zr8$mW2#kQ5!x,\r\n"
                             "Wiki,,,Zr8$mW2#kQ-wiki,\r\n";
const char* const kPasswords[] = {"q7#Vk2!pL9xZw4", "Zr8$mW2#kQ5!x", "Zr8$mW2#kQ-wiki"};

class CliAnalyze : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.filePath(QStringLiteral("sites.lwd"));
        MakeDatabase(m_strDb, kSitesCsv, kFilePassword);
        // "password" seen 3 times, amid random hashes.
        auto entries = BreachListFiles::RandomEntries(5000, 17);
        entries.emplace_back(PasswordHashHex("password"), 3);
        std::sort(entries.begin(), entries.end());
        m_strList = m_dir.filePath(QStringLiteral("breached.txt"));
        ASSERT_TRUE(BreachListFiles::WriteBytes(m_strList, BreachListFiles::Lines(entries, 0)));
    }

    QTemporaryDir m_dir;
    QString m_strDb;
    QString m_strList;
};

void ExpectNoPassword(const CCliResult& r) {
    for (const char* psz : kPasswords) {
        EXPECT_FALSE(r.out.contains(psz)) << psz;
        EXPECT_FALSE(r.err.contains(psz)) << psz;
    }
}

TEST_F(CliAnalyze, OneLineAFindingWorstFirstNthWhereNamesRepeat) {
    const CCliResult r =
        RunCli({QStringLiteral("analyze"), m_strDb, QStringLiteral("--breached"), m_strList}, kFilePassword);
    EXPECT_EQ(r.nExit, 1) << r.err.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 7) << r.out.constData();
    EXPECT_EQ(lines[0], "Shop: empty: no password");
    EXPECT_EQ(lines[1], "Forum --nth 1: breached: seen 3 times in the breach list");
    EXPECT_EQ(lines[2], "Forum --nth 1: weak: very weak, about 10^0 guesses");
    // A strong password weak by its site's name alone is told so without "strong" beside "weak".
    EXPECT_TRUE(lines[3].startsWith("Wiki: weak: holds the site name, which attackers try first; about 10^"))
        << lines[3].constData();
    EXPECT_TRUE(lines[3].endsWith(" guesses otherwise")) << lines[3].constData();
    EXPECT_EQ(lines[4], "Bank: reused: same password as 1 other site: Mail");
    EXPECT_EQ(lines[5], "Mail: reused: same password as 1 other site: Bank");
    EXPECT_EQ(lines[6], "");
    ExpectNoPassword(r);

    // Without the list, the same but the breach.
    const CCliResult plain = RunCli({QStringLiteral("analyze"), m_strDb}, kFilePassword);
    EXPECT_EQ(plain.nExit, 1);
    EXPECT_FALSE(plain.out.contains("breached"));
    EXPECT_EQ(plain.out.count('\n'), 5);
}

TEST_F(CliAnalyze, JsonArrayOfSiteNthKindDetail) {
    const CCliResult r =
        RunCli({QStringLiteral("analyze"), m_strDb, QStringLiteral("--json"), QStringLiteral("--breached"), m_strList},
               kFilePassword);
    EXPECT_EQ(r.nExit, 1) << r.err.constData();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
    const QJsonArray array = doc.array();
    ASSERT_EQ(array.size(), 6);
    const QJsonObject first = array[1].toObject();
    EXPECT_EQ(first.keys(), (QStringList{QStringLiteral("detail"), QStringLiteral("kind"), QStringLiteral("nth"),
                                         QStringLiteral("site")}));
    EXPECT_EQ(first[QStringLiteral("site")].toString(), QStringLiteral("Forum"));
    EXPECT_EQ(first[QStringLiteral("nth")].toInt(), 1);
    EXPECT_EQ(first[QStringLiteral("kind")].toString(), QStringLiteral("breached"));
    EXPECT_EQ(first[QStringLiteral("detail")].toString(), QStringLiteral("seen 3 times in the breach list"));
    QStringList kinds;
    for (const QJsonValue& value : array) {
        kinds << value[QStringLiteral("kind")].toString();
        EXPECT_EQ(value[QStringLiteral("nth")].toInt(), 1); // the second Forum has nothing to change
    }
    EXPECT_EQ(kinds.join(QLatin1Char(',')), QStringLiteral("empty,breached,weak,weak,reused,reused"));
    ExpectNoPassword(r);
}

// A code line that gives no code is found, after the passwords; a good one beside the password is not.
TEST_F(CliAnalyze, AnInvalidCodeLineIsAFindingACodeBesideThePasswordIsNot) {
    const QString strDb = m_dir.filePath(QStringLiteral("codes.lwd"));
    MakeDatabase(strDb,
                 "site,url,user,password,notes\r\n"
                 "Good,,,q7#Vk2!pL9xZw4,totp: JBSWY3DPEHPK3PXP\r\n"
                 "Bad,,,Zr8$mW2#kQ5!x,\"in the safe\r\notpauth://totp/a?secret=JBSWY3DPEHPK3PXP&algorithm=MD5\"\r\n",
                 kFilePassword);
    const CCliResult r = RunCli({QStringLiteral("analyze"), strDb}, kFilePassword);
    EXPECT_EQ(r.nExit, 1) << r.err.constData();
    EXPECT_EQ(r.out, "Bad: code: line 2 of the notes: the algorithm is not SHA1, SHA256 or SHA512\n");
}

TEST_F(CliAnalyze, ExitStatuses) {
    // Nothing to change: 0, and an empty JSON array.
    const QString strGood = m_dir.filePath(QStringLiteral("good.lwd"));
    const QString strCsv = m_dir.filePath(QStringLiteral("good.csv"));
    WriteFile(strCsv, "site,url,user,password,notes\r\nA,,,q7#Vk2!pL9xZw4,\r\nB,,,Zr8$mW2#kQ5!x,\r\n");
    ASSERT_EQ(RunCli({QStringLiteral("create"), strGood}, kFilePassword).nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("import"), strGood, strCsv}, kFilePassword).nExit, 0);
    const CCliResult good =
        RunCli({QStringLiteral("analyze"), strGood, QStringLiteral("--breached"), m_strList, QStringLiteral("--json")},
               kFilePassword);
    EXPECT_EQ(good.nExit, 0) << good.err.constData();
    EXPECT_EQ(good.out, "[]\n");

    // Could not check: 2, with the reason, and nothing on standard output.
    const QString strUnsorted = m_dir.filePath(QStringLiteral("unsorted.txt"));
    auto entries = BreachListFiles::RandomEntries(300, 4);
    std::reverse(entries.begin(), entries.end());
    ASSERT_TRUE(BreachListFiles::WriteBytes(strUnsorted, BreachListFiles::Lines(entries, 0)));
    const struct {
        const char* pszWhat;
        QStringList args;
        QByteArray input;
        const char* pszErr;
    } cases[] = {
        {"no such database",
         {QStringLiteral("analyze"), m_dir.filePath(QStringLiteral("none.lwd"))},
         kFilePassword,
         "none.lwd"},
        {"a wrong file password", {QStringLiteral("analyze"), m_strDb}, "wrong\n", "Bad file password !"},
        {"an unsorted list",
         {QStringLiteral("analyze"), m_strDb, QStringLiteral("--breached"), strUnsorted},
         kFilePassword,
         "unsorted.txt is not sorted by hash"},
        {"no such list",
         {QStringLiteral("analyze"), m_strDb, QStringLiteral("--breached"), m_dir.filePath(QStringLiteral("no.txt"))},
         kFilePassword,
         "no.txt cannot be read"},
        {"a list not named",
         {QStringLiteral("analyze"), m_strDb, QStringLiteral("--breached")},
         kFilePassword,
         "usage:"},
        {"an unknown option", {QStringLiteral("analyze"), m_strDb, QStringLiteral("--hibp")}, kFilePassword, "usage:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args, c.input);
        EXPECT_EQ(r.nExit, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.pszErr)) << r.err.constData();
    }
}

} // namespace
