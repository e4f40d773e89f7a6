// The one-time code in the running window: the status bar's pane for the site browsed, each second, the pane that
// names a malformed code line and never shows a wrong code, and Edit > Copy Code through the secret clipboard,
// taken off when the code changes. The time is the test's own (RFC 6238's secret and moments).
#include "RunningApp.h"

#include "ui/app/CodePane.h"
#include "ui/platform/SecretClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// RFC 6238's secret, "12345678901234567890", in base32.
#define RFC_SECRET "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"

class CodePaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(m_app.Start({
            {"plain", "", "ann", "pw-plain", "no code here"},
            {"six", "", "ann", "pw-six", "recovery words\nTOTP:  " RFC_SECRET "  "},
            {"eight", "", "ann", "pw-eight", "otpauth://totp/Shop:ann?secret=" RFC_SECRET "&digits=8&issuer=Shop"},
            {"broken", "", "ann", "pw-broken", "totp: 1!!1"},
            {"counter", "", "ann", "pw-counter", "otpauth://hotp/Shop:ann?secret=" RFC_SECRET "&counter=1"},
        }));
        Pane().SetClock([this] { return m_nNow; });
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    CCodePane& Pane() { return *m_app.App().m_pCodePane; }
    QLabel& Label() { return *Pane().Pane(); }
    // What the pane shows, or "hidden".
    QString Shown() { return Label().isVisibleTo(&m_app.Frame()) ? Label().text() : QStringLiteral("hidden"); }
    static QString ClipText() {
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        return pData != nullptr ? pData->text() : QString();
    }

    CRunningApp m_app;
    qint64 m_nNow = 59000; // RFC 6238's first moment: 94287082 in eight digits, one second left
};

TEST_F(CodePaneTest, ThePaneShowsTheBrowsedSitesCodeGroupedOrWhyThereIsNone) {
    struct CCase {
        const char* pszSite;
        QString strShown;
        bool bCopy;
    };
    const CCase cases[] = {
        {"plain", QStringLiteral("hidden"), false},
        {"six", QStringLiteral("Code: 287 082 (1 s)"), true},
        {"eight", QStringLiteral("Code: 9428 7082 (1 s)"), true},
        {"broken", QStringLiteral("Code: invalid secret"), false},
        {"counter", QStringLiteral("Code: not supported"), false},
    };
    for (const CCase& c : cases) {
        m_app.Show(c.pszSite);
        EXPECT_EQ(Shown(), c.strShown) << c.pszSite;
        EXPECT_EQ(m_app.Enabled(ID_EDIT_COPY_CODE), c.bCopy) << c.pszSite;
    }
    m_app.Show("six");
    EXPECT_EQ(Label().accessibleName(), QStringLiteral("One-time code"));
    EXPECT_EQ(Label().accessibleDescription(), QStringLiteral("287 082, seconds left: 1"));
}

// The pane follows the clock each second: a new code with the whole period left once the old one ends.
TEST_F(CodePaneTest, ThePaneFollowsTheClockEachSecond) {
    m_nNow = 1111111108990; // ten milliseconds before the next whole second, when the pane looks again
    m_app.Show("six");
    EXPECT_EQ(Shown(), QStringLiteral("Code: 081 804 (2 s)"));
    m_nNow = 1111111110000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == QStringLiteral("Code: 050 471 (30 s)"); }, 2000))
        << Shown().toStdString();
}

// Data entry and the lock show no code: the form shows no stored site then.
TEST_F(CodePaneTest, NoCodeShowsInDataEntryOrWhileLocked) {
    m_app.Show("six");
    m_app.Router().Execute(ID_SITE_EDIT);
    EXPECT_EQ(Shown(), QStringLiteral("hidden"));
    EXPECT_FALSE(m_app.Enabled(ID_EDIT_COPY_CODE));
    m_app.Router().Execute(ID_SITE_CANCEL);
    EXPECT_EQ(Shown(), QStringLiteral("Code: 287 082 (1 s)"));
    m_app.Router().Execute(ID_FILE_LOCK);
    ASSERT_TRUE(m_app.Doc().IsLocked());
    EXPECT_EQ(Shown(), QStringLiteral("hidden"));
    EXPECT_FALSE(m_app.Enabled(ID_EDIT_COPY_CODE));
}

// Copy Code: the code alone, with the password-manager hint, for the secret clipboard's ten seconds, or until the
// code changes when that comes first.
TEST_F(CodePaneTest, CopyCodeGoesOutAsASecretUntilTheCodeChanges) {
    m_nNow = 59900;
    m_app.Show("six");
    ASSERT_TRUE(m_app.Router().Execute(ID_EDIT_COPY_CODE));
    EXPECT_EQ(ClipText(), QStringLiteral("287082"));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")),
              QByteArray("secret"));
    CSecretClipboard& clipboard = m_app.Frame().SecretClipboard();
    EXPECT_TRUE(clipboard.Timer()->isActive());
    EXPECT_EQ(clipboard.Timer()->interval(), CSecretClipboard::kDefaultInterval);
    // A hundred milliseconds of the code are left.
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard.Secret().empty(); }, 2000));
    EXPECT_NE(ClipText(), QStringLiteral("287082"));
}

} // namespace
