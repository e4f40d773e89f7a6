#include "FakeOpener.h"

#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/platform/Shell.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(ShellAddress, WebAndMailAddressesGoAndEverythingElseIsRefused) {
    struct Case {
        const char* url;
        const char* address; // nullptr: refused
    };
    const Case cases[] = {
        {"https://bank.example/login", "https://bank.example/login"},
        {"HTTP://Bank.example", "HTTP://Bank.example"},
        {"http://a b", "http://a b"}, // as stored, blanks and all
        {"ftp://files.example/x", "ftp://files.example/x"},
        {"mailto:ann@example.com?subject=hi there", "mailto:ann@example.com?subject=hi there"},
        {"www.bank.example", "https://www.bank.example"},
        {"WWW.Bank.example/a?b", "https://WWW.Bank.example/a?b"},
        {"ftp.files.example", "ftp://ftp.files.example"},
        {"file:///etc/passwd", nullptr},
        {"/usr/bin/xterm", nullptr},
        {"xterm", nullptr},
        {"javascript:alert(1)", nullptr},
        {"smb://server/share", nullptr},
        {"-e sh", nullptr},
        // Blanks around the URL are left out for the check and the launch.
        {"  https://bank.example", "https://bank.example"},
        {"\thttps://bank.example/a b \r\n", "https://bank.example/a b"},
        {" www.bank.example ", "https://www.bank.example"},
        {" file:///etc/passwd", nullptr},
        // A bare host name opens as an https page, with its port and path.
        {"bank.example.com", "https://bank.example.com"},
        {" bank.example.com/login?x=1#top ", "https://bank.example.com/login?x=1#top"},
        {"bank.example.com:8443/a", "https://bank.example.com:8443/a"},
        {"my-bank.co.uk", "https://my-bank.co.uk"},
        {"bücher.example", "https://bücher.example"},
        // ...and nothing that only looks like one.
        {"bank", nullptr},
        {"bank.example.com:x/a", nullptr},
        {"-bank.example", nullptr},
        {"bank..example", nullptr},
        {"bank.example.com.", nullptr},
        {"bank example.com", nullptr},
        {"../etc/passwd", nullptr},
        {"   ", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        QString strReason;
        const QString strAddress = ShellAddress(QString::fromUtf8(c.url), strReason);
        if (c.address != nullptr) {
            EXPECT_EQ(strAddress, QString::fromUtf8(c.address)) << c.url;
            EXPECT_TRUE(strReason.isEmpty()) << c.url;
        } else {
            EXPECT_TRUE(strAddress.isEmpty()) << c.url;
            EXPECT_EQ(strReason, LoadString(IDS_ADDRESS_REFUSED)) << c.url;
        }
    }
}

// A stored mail address must not make the mail program attach a file: attach and attachment parameters
// are refused in any case, percent-encoded too, wherever they stand; other parameters go as before.
TEST(ShellAddress, MailAddressesThatAskForAnAttachmentAreRefused) {
    struct Case {
        const char* url;
        bool refused;
    };
    const Case cases[] = {
        {"mailto:ann@example.com?attach=/home/ann/.ssh/id_rsa", true},
        {"mailto:ann@example.com?subject=hi&attachment=file:///etc/passwd", true},
        {"MAILTO:ann@example.com?ATTACH=/etc/passwd", true},
        {"mailto:ann@example.com?Attachment=x", true},
        {"mailto:ann@example.com?%61ttach=/etc/passwd", true},
        {"mailto:ann@example.com?subject=hi%26attach%3D/etc/passwd", true},
        {"mailto:ann@example.com?body=x&%20attach=/etc/passwd", true},
        {"mailto:ann@example.com?subject=the attachment", false},
        {"mailto:ann@example.com?subject=attach", false},
        {"mailto:ann@example.com?attached-note=x", false},
        {"mailto:attach@example.com", false},
        {"https://example.com/?attach=x", false}, // a web address's query is the site's business
    };
    for (const Case& c : cases) {
        QString strReason;
        const QString strAddress = ShellAddress(QString::fromUtf8(c.url), strReason);
        if (c.refused) {
            EXPECT_TRUE(strAddress.isEmpty()) << c.url;
            EXPECT_EQ(strReason, LoadString(IDS_MAIL_ATTACHMENT_REFUSED)) << c.url;
        } else {
            EXPECT_EQ(strAddress, QString::fromUtf8(c.url)) << c.url;
            EXPECT_TRUE(strReason.isEmpty()) << c.url;
        }
    }
}

// Runs one launch and waits, serving events, for its answer; the reason of a failure comes with it.
struct COutcome {
    bool bOpened = false;
    QString strReason;
};
std::optional<COutcome> Await(void (*launch)(const QString&, QObject*, ShellDone), const QString& strTarget) {
    QObject context;
    std::optional<COutcome> outcome;
    launch(strTarget, &context, [&outcome](bool bOpened) {
        outcome = COutcome{bOpened, bOpened ? QString() : GetLastErrorText()};
    });
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 10000))
        ADD_FAILURE() << "the opener gave no answer";
    return outcome;
}

TEST(ShellOpen, TheRealOpenerIsRunAndItsExitStatusIsTheAnswer) {
    {
        CFakeOpener opener(0);
        const auto outcome = Await(ShellOpen, QStringLiteral("www.bank.example"));
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->bOpened);
        EXPECT_EQ(opener.Log(), QByteArray("https://www.bank.example\n"));
    }
    {
        CFakeOpener opener(4, QStringLiteral("xdg-open: no method available for opening mailto:x"));
        const auto outcome = Await(ShellOpen, QStringLiteral("mailto:x"));
        ASSERT_TRUE(outcome);
        EXPECT_FALSE(outcome->bOpened);
        EXPECT_EQ(outcome->strReason.toStdString(), "xdg-open: no method available for opening mailto:x");
    }
    {
        CFakeOpener opener(3);
        const auto outcome = Await(ShellOpenFile, QStringLiteral("/tmp/manual.pdf"));
        ASSERT_TRUE(outcome);
        EXPECT_FALSE(outcome->bOpened);
        EXPECT_EQ(outcome->strReason, LoadString(IDS_OPENER_FAILED).arg(QStringLiteral("xdg-open")).arg(3));
        EXPECT_EQ(opener.Log(), QByteArray("/tmp/manual.pdf\n"));
    }
}

TEST(ShellOpen, ARefusedAddressNeverReachesTheOpener) {
    CFakeOpener opener(0);
    const auto outcome = Await(ShellOpen, QStringLiteral("file:///etc/passwd"));
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->bOpened);
    EXPECT_EQ(outcome->strReason, LoadString(IDS_ADDRESS_REFUSED));
    EXPECT_TRUE(opener.Log().isEmpty());
}

TEST(ShellOpen, AMissingOpenerIsAFailureWithItsReason) {
    CFakeOpener none(0, {}, false);
    const auto outcome = Await(ShellOpen, QStringLiteral("https://bank.example"));
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->bOpened);
    EXPECT_TRUE(outcome->strReason.startsWith(QStringLiteral("xdg-open could not be started: ")))
        << outcome->strReason.toStdString();
}

} // namespace
