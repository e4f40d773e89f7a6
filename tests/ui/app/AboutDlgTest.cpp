#include "FakeOpener.h"
#include "ScriptedPrompts.h"

#include "core/resources/Resource.h"
#include "core/resources/Version.h"
#include "ui/app/AboutDlg.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <optional>

namespace {

int CountPixels(const QImage& img, const std::function<bool(QColor)>& pred) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pred(img.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool IsReddish(QColor c) {
    return c.alpha() > 128 && c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool IsDark(QColor c) {
    return c.alpha() > 128 && c.red() < 80 && c.green() < 80 && c.blue() < 80;
}

TEST(AboutDlg, ShowsItsTextsAndOnlyTheMailButton) {
    CScriptedPrompts prompts;
    for (int nTimes = 0; nTimes < 2; ++nTimes) {
        CAboutDlg dlg(prompts);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Lockwarden"));
        QStringList texts;
        for (const QLabel* pLabel : dlg.findChildren<QLabel*>())
            texts.push_back(pLabel->text());
        EXPECT_TRUE(texts.contains(QStringLiteral("Lockwarden Version " LOCKWARDEN_VERSION)));
        EXPECT_TRUE(texts.contains(QStringLiteral(LOCKWARDEN_COPYRIGHT)));
        EXPECT_TRUE(texts.contains(QStringLiteral(LOCKWARDEN_SUPPORT_ADDRESS)));
        EXPECT_TRUE(
            texts.contains(QStringLiteral("Lockwarden is an encrypted flat file database for storing and "
                                          "retrieving URLs, User Names, and Passwords for internet websites.")));
        const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1) << "no OK or Cancel";
        EXPECT_EQ(buttons.front(), dlg.EmailButton());
        EXPECT_EQ(dlg.EmailButton()->size(), QSize(67, 25));
        EXPECT_EQ(dlg.EmailButton()->property("controlId").toInt(), IDC_EMAIL);
        EXPECT_FALSE(dlg.EmailButton()->accessibleName().isEmpty());
    }
}

TEST(AboutDlg, MailButtonIsBlackWhenUpAndRedWhilePressed) {
    const QImage up = CBitmapButton::Picture(false).toImage();
    const QImage down = CBitmapButton::Picture(true).toImage();
    EXPECT_EQ(up.size(), QSize(67, 25));
    EXPECT_GT(CountPixels(up, IsDark), 40);
    EXPECT_EQ(CountPixels(up, IsReddish), 0);
    EXPECT_GT(CountPixels(down, IsReddish), 40);
    EXPECT_EQ(CountPixels(down, IsDark), 0);

    CScriptedPrompts prompts;
    CAboutDlg dlg(prompts);
    dlg.m_shellOpen = [](const QString&, const ShellDone& onDone) { onDone(true); };
    dlg.show();
    CBitmapButton* pButton = dlg.EmailButton();
    const auto grabbed = [pButton] { return pButton->grab().toImage(); };
    EXPECT_EQ(CountPixels(grabbed(), IsReddish), 0);
    pButton->setDown(true);
    EXPECT_GT(CountPixels(grabbed(), IsReddish), 40);
    pButton->setDown(false);
    pButton->setFocus();
    EXPECT_EQ(CountPixels(grabbed(), IsReddish), 0) << "focus shows the up picture";
}

TEST(AboutDlg, MailLinkGoesToTheDesktopAndAFailureIsReportedWithTheBoxStillOpen) {
    // Encoded, the link holds no blank; decoded, its subject is the program's own words.
    EXPECT_EQ(CAboutDlg::MailLink(),
              QStringLiteral("mailto:" LOCKWARDEN_SUPPORT_ADDRESS "?subject=Concerning%20your%20program%20Lockwarden"));
    const QUrl link(CAboutDlg::MailLink(), QUrl::StrictMode);
    EXPECT_TRUE(link.isValid()) << link.errorString().toStdString();
    EXPECT_EQ(link.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(link.path(), QStringLiteral(LOCKWARDEN_SUPPORT_ADDRESS));
    EXPECT_EQ(QUrlQuery(link).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Concerning your program Lockwarden"));
    CScriptedPrompts prompts;
    CAboutDlg dlg(prompts);
    QStringList opened;
    bool bWorks = false;
    dlg.m_shellOpen = [&](const QString& strUrl, const ShellDone& onDone) {
        opened.push_back(strUrl);
        onDone(bWorks);
    };
    dlg.show();
    QTest::mouseClick(dlg.EmailButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.EmailButton(), Qt::LeftButton);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(prompts.Messages(),
              (QStringList{QStringLiteral("Problem sending mail"), QStringLiteral("Problem sending mail")}));
    EXPECT_EQ(prompts.m_shown.front().nType, MB_ICONSTOP | MB_OK);
    EXPECT_TRUE(dlg.isVisible());

    bWorks = true;
    QTest::mouseClick(dlg.EmailButton(), Qt::LeftButton);
    EXPECT_EQ(prompts.Messages().size(), 2);
    EXPECT_EQ(opened.back(), CAboutDlg::MailLink());
    EXPECT_TRUE(dlg.isVisible());
}

// The desktop's own opener: its failure is seen when it ends, not taken for success when it starts.
TEST(AboutDlg, TheOpenersExitStatusDecidesWhetherMailFailed) {
    for (int nExit : {3, 0}) {
        CFakeOpener opener(nExit);
        CScriptedPrompts prompts;
        CAboutDlg dlg(prompts);
        // The real launch, watched for its answer.
        std::optional<bool> answer;
        dlg.m_shellOpen = [&answer, real = dlg.m_shellOpen](const QString& strUrl, ShellDone onDone) {
            real(strUrl, [&answer, onDone](bool bOpened) {
                answer = bOpened;
                onDone(bOpened);
            });
        };
        dlg.show();
        QTest::mouseClick(dlg.EmailButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        EXPECT_EQ(*answer, nExit == 0);
        EXPECT_EQ(prompts.Messages(), nExit == 0 ? QStringList() : QStringList{QStringLiteral("Problem sending mail")});
        EXPECT_EQ(opener.Log(), CAboutDlg::MailLink().toUtf8() + '\n');
        EXPECT_TRUE(dlg.isVisible());
    }
}

} // namespace
