// lockwarden-cli totp, run as a user runs it, on a database made with the companion itself.
#include "CliRun.h"

#include <QDateTime>

namespace {

const QByteArray kFilePassword = "totp\n";
// The codes below were computed apart from this program, with python3's hmac module (RFC 6238's way):
// JBSWY3DPEHPK3PXP at 1700000000 gives 324550, and 2KM2P as Steam writes it; the second Forum's secret
// JBSWY3DPEHPK3PXQ gives 822412. The appendix's SHA512 seed at 59 s gives 90693936.
const QByteArray kSitesCsv =
    "site,url,user,password,notes\r\n"
    "Mail,,al,pw1,\"recovery codes in the safe\r\ntotp: jbsw y3dp ehpk 3pxp\"\r\n"
    "Forum,,,pw2,totp: JBSWY3DPEHPK3PXP\r\n"
    "Forum,,,pw3,otpauth://totp/Forum:al?secret=JBSWY3DPEHPK3PXQ&issuer=Forum\r\n"
    "Steam,,,pw4,otpauth://totp/Steam:al?secret=JBSWY3DPEHPK3PXP&issuer=Steam\r\n"
    "Vector,,,pw5,otpauth://totp/x?algorithm=SHA512&digits=8&secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQ"
    "OJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNA%3D\r\n"
    "Plain,,,pw6,no code here\r\n"
    "Digits,,,pw7,\"first line\r\notpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=10\"\r\n"
    "Counter,,,pw8,otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP&counter=4\r\n";

class CliTotp : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.filePath(QStringLiteral("sites.lwd"));
        MakeDatabase(m_strDb, kSitesCsv, kFilePassword);
    }
    CCliResult Totp(QStringList args) {
        args.insert(0, m_strDb);
        args.insert(0, QStringLiteral("totp"));
        return RunCli(args, kFilePassword);
    }

    QTemporaryDir m_dir;
    QString m_strDb;
};

TEST_F(CliTotp, PrintsTheCodeAndNothingElse) {
    const QString kAt = QStringLiteral("--at=1700000000");
    const struct {
        const char* pszWhat;
        QStringList args;
        QByteArray out;
    } cases[] = {
        {"totp: among the notes, spaces and case ignored", {QStringLiteral("Mail"), kAt}, "324550\n"},
        {"a name in another case", {QStringLiteral("mail"), kAt}, "324550\n"},
        {"--nth chooses among sites of one name",
         {QStringLiteral("Forum"), QStringLiteral("--nth"), QStringLiteral("1"), kAt},
         "324550\n"},
        {"the second of them", {QStringLiteral("Forum"), QStringLiteral("--nth=2"), kAt}, "822412\n"},
        {"Steam by its issuer", {QStringLiteral("Steam"), kAt}, "2KM2P\n"},
        {"SHA512, 8 digits", {QStringLiteral("Vector"), QStringLiteral("--at"), QStringLiteral("59")}, "90693936\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = Totp(c.args);
        EXPECT_EQ(r.nExit, 0) << r.err.constData();
        EXPECT_EQ(r.out, c.out);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    }
}

TEST_F(CliTotp, WithoutAtTheCodeOfNow) {
    const auto codeAt = [this](qint64 nTime) {
        return Totp({QStringLiteral("Mail"), QStringLiteral("--at"), QString::number(nTime)}).out;
    };
    const qint64 nBefore = QDateTime::currentSecsSinceEpoch();
    const CCliResult r = Totp({QStringLiteral("Mail")});
    const qint64 nAfter = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(r.nExit, 0) << r.err.constData();
    // The run may cross a 30 s boundary: the code is then one of the two.
    EXPECT_TRUE(r.out == codeAt(nBefore) || r.out == codeAt(nAfter)) << r.out.constData();
    EXPECT_NE(codeAt(nBefore - 30), codeAt(nBefore + 30));
}

TEST_F(CliTotp, NoCodeLineExits1AMalformedOne2WithTheReason) {
    const struct {
        const char* pszWhat;
        QStringList args;
        int nExit;
        const char* pszErr;
    } cases[] = {
        {"no code line", {QStringLiteral("Plain")}, 1, "Plain: no line of the notes is a code line"},
        {"no such site", {QStringLiteral("Nothing")}, 1, "no site is named \"Nothing\""},
        {"sites of one name, no --nth", {QStringLiteral("Forum")}, 1, "choose one with --nth 1 to 2"},
        {"a place past them",
         {QStringLiteral("Forum"), QStringLiteral("--nth"), QStringLiteral("3")},
         1,
         "choose one with --nth 1 to 2"},
        {"a malformed line", {QStringLiteral("Digits")}, 2, "Digits: line 2 of the notes: digits is not 6, 7 or 8"},
        {"a counter-based line",
         {QStringLiteral("Counter")},
         2,
         "Counter: line 1 of the notes: counter-based codes (otpauth://hotp/) are not supported"},
        {"--at not a number",
         {QStringLiteral("Mail"), QStringLiteral("--at"), QStringLiteral("now")},
         2,
         "--at takes a time in whole seconds since 1970"},
        {"--at before 1970", {QStringLiteral("Mail"), QStringLiteral("--at=-1")}, 2, "--at takes"},
        {"--at without a value", {QStringLiteral("Mail"), QStringLiteral("--at")}, 2, "--at needs a value"},
        {"no site named", {}, 2, "totp takes 2 arguments"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = Totp(c.args);
        EXPECT_EQ(r.nExit, c.nExit);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.pszErr)) << r.err.constData();
        EXPECT_FALSE(r.err.contains("JBSW")) << "the secret is never told";
    }
}

} // namespace
