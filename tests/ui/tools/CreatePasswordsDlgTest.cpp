#include "ui/tools/CreatePasswordsDlg.h"
#include "ui/platform/SecretClipboard.h"

#include "core/app/AppState.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"

#include "ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <memory>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

namespace {

const QString kNotAPositiveInteger = QStringLiteral("Please enter a positive integer.");
const QString kTooLong = QStringLiteral("Please enter a length of 4096 or less.");

// A random source that counts 0, 1, 2... from its first byte on. Every byte below the pool's size picks the
// pool's character at that index, so a password as long as the pool, drawn first, is the pool itself.
PasswordPool::RandomBytes Counting() {
    return [n = 0u](unsigned char* p, std::size_t nWanted) mutable {
        for (std::size_t i = 0; i < nWanted; ++i)
            p[i] = static_cast<unsigned char>(n++);
        return true;
    };
}

std::string ClipboardText() {
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    return pData != nullptr ? pData->text().toStdString() : std::string();
}

// The generator over an owner window, as the frame opens it, on settings the test chooses.
class CreatePasswordsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.m_nLength = 8;
        m_app.m_bMixedCase = 1;
        m_app.m_bNumbers = 1;
        m_app.m_bPunctuation = 1;
        m_owner.setGeometry(200, 150, 640, 420);
        m_owner.show();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    }
    void TearDown() override { delete m_pDlg.data(); }

    CCreatePasswordsDlg& Open() {
        m_pDlg = new CCreatePasswordsDlg(m_app, m_prompts, *m_pClipboard);
        m_pDlg->m_random = Counting();
        QObject::connect(m_pDlg, &CCreatePasswordsDlg::postNcDestroy, [this] { ++m_nGone; });
        m_pDlg->Create(&m_owner);
        m_pDlg->show();
        return *m_pDlg;
    }
    QLineEdit* Length() const { return FindControl<QLineEdit>(m_pDlg, IDC_LENGTH); }
    QLineEdit* Output() const { return FindControl<QLineEdit>(m_pDlg, IDC_NEW_PASSWORD); }
    QCheckBox* Check(int nID) const { return FindControl<QCheckBox>(m_pDlg, nID); }
    QPushButton* Button(int nID) const { return FindControl<QPushButton>(m_pDlg, nID); }
    void SetChecks(bool bMixedCase, bool bNumbers, bool bPunctuation) const {
        Check(IDC_MIXED_CASE)->setChecked(bMixedCase);
        Check(IDC_NUMBERS)->setChecked(bNumbers);
        Check(IDC_PUNCTUATION)->setChecked(bPunctuation);
    }
    // The generator's own close box.
    void CloseBox() {
        m_pDlg->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CAppState m_app;
    CScriptedPrompts m_prompts;
    std::unique_ptr<CSecretClipboard> m_pClipboard = std::make_unique<CSecretClipboard>();
    QWidget m_owner;
    QPointer<CCreatePasswordsDlg> m_pDlg;
    int m_nGone = 0;
};

// Under a window manager both windows have frames: the generator's frame is flush with the owner's on the
// right, and its top is one of the owner's title bars (its frame's top less its side border) below the
// owner's top. ctest runs this on a private X display with a window manager (ui_tests_on_x11).
TEST_F(CreatePasswordsDlgTest, OpensAtTheOwnersUpperRightBelowItsTitleBarUnderAWindowManager) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "needs an X display with a window manager";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_owner));
    if (!QTest::qWaitFor([&] { return !m_owner.windowHandle()->frameMargins().isNull(); }))
        GTEST_SKIP() << "no window manager frames the windows";
    const QMargins ownerFrame = m_owner.windowHandle()->frameMargins();
    const QRect rcOwner = m_owner.frameGeometry();
    ASSERT_GT(ownerFrame.top(), ownerFrame.left());

    CCreatePasswordsDlg& dlg = Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint expected(rcOwner.x() + rcOwner.width(), rcOwner.y() + ownerFrame.top() - ownerFrame.left());
    const auto upperRight = [&] {
        const QRect rc = dlg.frameGeometry();
        return QPoint(rc.x() + rc.width(), rc.y());
    };
    // The window manager frames the new window a moment after it is shown.
    static_cast<void>(
        QTest::qWaitFor([&] { return !dlg.windowHandle()->frameMargins().isNull() && upperRight() == expected; }));
    EXPECT_FALSE(dlg.windowHandle()->frameMargins().isNull());
    EXPECT_EQ(upperRight(), expected);
    EXPECT_EQ(m_owner.frameGeometry(), rcOwner);
}

TEST_F(CreatePasswordsDlgTest, OpensModelessAtTheOwnersUpperRightWithTheStoredValues) {
    m_app.m_nLength = 12;
    m_app.m_bMixedCase = 0;
    m_app.m_bNumbers = 5; // any nonzero value counts as set
    CCreatePasswordsDlg& dlg = Open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Create Passwords"));
    EXPECT_FALSE(dlg.isModal());
    EXPECT_EQ(dlg.parentWidget(), &m_owner);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Length()->text(), QStringLiteral("12"));
    EXPECT_FALSE(Check(IDC_MIXED_CASE)->isChecked());
    EXPECT_TRUE(Check(IDC_NUMBERS)->isChecked());
    EXPECT_TRUE(Check(IDC_PUNCTUATION)->isChecked());
    EXPECT_TRUE(Output()->text().isEmpty());
    EXPECT_TRUE(Output()->isReadOnly());
    EXPECT_EQ(dlg.focusWidget(), Button(IDC_CREATE_PASSWORD));

    // Nothing frames the windows here, so there is no title bar to go below (a window manager's: see
    // OpensAtTheOwnersUpperRightBelowItsTitleBarUnderAWindowManager).
    const QRect rcOwner = m_owner.frameGeometry();
    const QRect rcDlg = dlg.frameGeometry();
    EXPECT_EQ(rcDlg.x() + rcDlg.width(), rcOwner.x() + rcOwner.width());
    EXPECT_EQ(rcDlg.y(), rcOwner.y());

    const std::pair<int, QString> names[] = {
        {IDC_CREATE_PASSWORD, QStringLiteral("Create a Password")},
        {IDC_PUNCTUATION, QStringLiteral("Include  !@#$%&*?+-=_")},
        {IDC_MIXED_CASE, QStringLiteral("Include  AaBbCcDdEe..")},
        {IDC_NUMBERS, QStringLiteral("Include  1234567890")},
        {IDC_LENGTH, QStringLiteral("Length (5 - 20)")},
        {IDC_PASSWORDS_TO_CLIPBOARD, QStringLiteral("100 Pswds on Clipboard")},
        {IDC_NEW_PASSWORD, QStringLiteral("New Password")},
    };
    for (const auto& [nID, strName] : names)
        EXPECT_EQ(FindControl(m_pDlg, nID)->accessibleName(), strName) << nID;
    // The ampersand is one of the marks: it shows rather than underlining the next one.
    EXPECT_EQ(Check(IDC_PUNCTUATION)->text(), QStringLiteral("&Include  !@#$%&&*?+-=_"));
}

TEST_F(CreatePasswordsDlgTest, ThePoolJoinsTheChosenClassesInOrder) {
    struct Case {
        bool bMixedCase, bNumbers, bPunctuation;
        const char* pszPool;
    } cases[] = {
        {false, false, false, "abcdefghijklmnopqrstuvwxyz"},
        {false, true, false, "abcdefghijklmnopqrstuvwxyz0123456789"},
        {false, false, true, "abcdefghijklmnopqrstuvwxyz!@#$%&*?+-=_"},
        {false, true, true, "abcdefghijklmnopqrstuvwxyz0123456789!@#$%&*?+-=_"},
        {true, false, false, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {true, true, false, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
        {true, false, true, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%&*?+-=_"},
        {true, true, true, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%&*?+-=_"},
    };
    CCreatePasswordsDlg& dlg = Open();
    for (const Case& c : cases) {
        // Counting through the whole pool reaches every character, the last one included.
        dlg.m_random = Counting();
        SetChecks(c.bMixedCase, c.bNumbers, c.bPunctuation);
        Length()->setText(QString::number(std::strlen(c.pszPool)));
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(Output()->text().toStdString(), c.pszPool);
    }
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(CreatePasswordsDlgTest, LengthsAreUsedAsTypedForOneAndForAHundred) {
    CCreatePasswordsDlg& dlg = Open();
    for (const int nLength : {0, 3, 25, 4096}) {
        Length()->clear();
        QTest::keyClicks(Length(), QString::number(nLength));
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(Output()->text().size(), nLength);

        Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
        const std::string strClip = ClipboardText();
        ASSERT_EQ(strClip.size(), 100u * (nLength + 2)) << nLength;
        for (std::size_t nLine = 0; nLine < 100; ++nLine) {
            const std::size_t nEnd = nLine * (nLength + 2) + nLength;
            EXPECT_EQ(strClip.substr(nEnd, 2), "\r\n") << nLength << " line " << nLine;
            EXPECT_EQ(strClip.find_first_of("\r\n", nEnd - nLength), nEnd) << nLength << " line " << nLine;
        }
    }
    EXPECT_EQ(ClipboardText().size(), 100u * 4098);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")),
              QByteArrayLiteral("secret"));
    EXPECT_EQ(dlg.m_nLength, 4096u);
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(CreatePasswordsDlgTest, AnEmptyLengthFromTheStartGivesAHundredBareLineEnds) {
    m_app.m_nLength = 0;
    Open();
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    std::string strExpected;
    for (int i = 0; i < 100; ++i)
        strExpected += "\r\n";
    EXPECT_EQ(ClipboardText(), strExpected);
}

TEST_F(CreatePasswordsDlgTest, AHundredUsesTheValuesLastReadNotWhatTheBoxesShowNow) {
    CCreatePasswordsDlg& dlg = Open();
    Length()->setText(QStringLiteral("12"));
    SetChecks(false, false, false);
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    // Eight characters from the whole pool of 74: each draw takes 24 bytes and uses the first 8, so the
    // second line starts at byte 24, which is "y" and then upper case in the whole pool.
    const std::string strClip = ClipboardText();
    ASSERT_EQ(strClip.size(), 1000u);
    EXPECT_EQ(strClip.substr(0, 20), "abcdefgh\r\nyzABCDEF\r\n");
    EXPECT_EQ(Length()->text(), QStringLiteral("12"));

    // After a reading, the new values count: the second line starts at byte 28, "c" in lower case alone.
    Button(IDC_CREATE_PASSWORD)->click();
    dlg.m_random = Counting();
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    EXPECT_EQ(ClipboardText().substr(0, 28), "abcdefghijkl\r\ncdefghijklmn\r\n");
}

TEST_F(CreatePasswordsDlgTest, RealDrawsComeFromThePoolAndDiffer) {
    CCreatePasswordsDlg& dlg = Open();
    dlg.m_random = PasswordPool::SystemRandomBytes;
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    const std::string strFirst = ClipboardText();
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    const std::string strSecond = ClipboardText();
    // The defaults: 100 lines of 8 characters and CR LF.
    ASSERT_EQ(strFirst.size(), 1000u);
    ASSERT_EQ(strSecond.size(), 1000u);
    // Two equal hundreds from 74^800 possible texts would mean the source repeats itself.
    EXPECT_NE(strFirst, strSecond);
    const std::string strPool = PasswordPool::BuildPool(true, true, true);
    for (std::size_t i = 0; i < strFirst.size(); ++i) {
        if (i % 10 < 8)
            EXPECT_NE(strPool.find(strFirst[i]), std::string::npos) << i;
        else
            EXPECT_EQ(strFirst[i], i % 10 == 8 ? '\r' : '\n') << i;
    }
}

TEST_F(CreatePasswordsDlgTest, ALengthThatIsNotANumberIsReportedAndTheValuesOfBeforeStand) {
    const char* texts[] = {"", "-5", "+", "1 2", "x"};
    for (const char* pszText : texts) {
        m_prompts.m_shown.clear();
        Open();
        Length()->setText(QString::fromLatin1(pszText));
        SetChecks(false, false, false); // not read once the length failed
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(m_prompts.m_shown,
                  (std::vector<CScriptedPrompts::Shown>{{kNotAPositiveInteger, MB_ICONEXCLAMATION | MB_OK}}))
            << pszText;
        // The command went on with the values it opened with, and wrote them back.
        EXPECT_EQ(Output()->text().toStdString(), "abcdefgh") << pszText;
        EXPECT_EQ(Length()->text(), QStringLiteral("8")) << pszText;
        EXPECT_TRUE(Check(IDC_MIXED_CASE)->isChecked() && Check(IDC_NUMBERS)->isChecked() &&
                    Check(IDC_PUNCTUATION)->isChecked())
            << pszText;
        EXPECT_EQ(m_pDlg->focusWidget(), Length()) << pszText;
        EXPECT_EQ(Length()->selectedText(), QStringLiteral("8")) << pszText;

        // Closing reads again: the message once more, and the settings keep the earlier values.
        m_prompts.m_shown.clear();
        m_app.m_nLength = 8;
        Length()->setText(QString::fromLatin1(pszText));
        SetChecks(false, false, false);
        CloseBox();
        EXPECT_EQ(m_prompts.Messages(), QStringList{kNotAPositiveInteger}) << pszText;
        EXPECT_EQ(m_app.m_nLength, 8) << pszText;
        EXPECT_EQ(m_app.m_bMixedCase, 1) << pszText;
        EXPECT_EQ(m_nGone, 1) << pszText;
        EXPECT_TRUE(m_pDlg.isNull()) << pszText;
        m_nGone = 0;
    }
}

TEST_F(CreatePasswordsDlgTest, TheLengthBoxReadsBlanksTabsAndAPlusSign) {
    const std::pair<const char*, int> texts[] = {{"7", 7}, {"  +9\t", 9}, {"\t010 ", 10}, {"+0", 0}};
    CCreatePasswordsDlg& dlg = Open();
    for (const auto& [pszText, nLength] : texts) {
        Length()->setText(QString::fromLatin1(pszText));
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(dlg.m_nLength, static_cast<unsigned>(nLength)) << pszText;
        EXPECT_EQ(Output()->text().size(), nLength) << pszText;
        EXPECT_EQ(Length()->text(), QString::number(nLength)) << pszText;
    }
    // Typing puts only digits into the box; pasted text goes in whole and is read by the same rules.
    QGuiApplication::clipboard()->setText(QStringLiteral("-5"));
    Length()->selectAll();
    QTest::keyClick(Length(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(Length(), QStringLiteral("+a "));
    EXPECT_EQ(Length()->text(), QStringLiteral("-5"));
    EXPECT_TRUE(m_prompts.m_shown.empty());
    Button(IDC_CREATE_PASSWORD)->click();
    EXPECT_EQ(m_prompts.m_shown,
              (std::vector<CScriptedPrompts::Shown>{{kNotAPositiveInteger, MB_ICONEXCLAMATION | MB_OK}}));
    EXPECT_EQ(dlg.m_nLength, 0u);
}

TEST_F(CreatePasswordsDlgTest, ALengthAboveTheLongestIsRefusedAndTheValuesOfBeforeStand) {
    CCreatePasswordsDlg& dlg = Open();
    for (const char* pszText : {"4097", "99999999999999999999999"}) {
        m_prompts.m_shown.clear();
        Length()->setText(QString::fromLatin1(pszText));
        Check(IDC_PUNCTUATION)->setChecked(false);
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(m_prompts.m_shown, (std::vector<CScriptedPrompts::Shown>{{kTooLong, MB_ICONEXCLAMATION | MB_OK}}))
            << pszText;
        EXPECT_EQ(dlg.m_nLength, 8u) << pszText;
        EXPECT_EQ(Output()->text().size(), 8) << pszText;
        EXPECT_TRUE(Check(IDC_PUNCTUATION)->isChecked()) << pszText;
        EXPECT_EQ(dlg.focusWidget(), Length()) << pszText;
    }
    Length()->setText(QStringLiteral("4097"));
    CloseBox();
    EXPECT_EQ(m_prompts.Messages(), (QStringList{kTooLong, kTooLong}));
    EXPECT_EQ(m_app.m_nLength, 8);
}

TEST_F(CreatePasswordsDlgTest, ANegativeStoredLengthIsRefusedNotTakenAsFourBillion) {
    m_app.m_nLength = -1;
    CCreatePasswordsDlg& dlg = Open();
    EXPECT_EQ(Length()->text(), QStringLiteral("4294967295"));
    int nCalls = 0;
    dlg.m_random = [&nCalls](unsigned char*, std::size_t) {
        ++nCalls;
        return false;
    };

    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    EXPECT_EQ(m_prompts.m_shown, (std::vector<CScriptedPrompts::Shown>{{kTooLong, MB_ICONEXCLAMATION | MB_OK}}));
    EXPECT_EQ(ClipboardText(), "before");
    EXPECT_EQ(dlg.focusWidget(), Length());

    Button(IDC_CREATE_PASSWORD)->click();
    EXPECT_EQ(m_prompts.Messages(), (QStringList{kTooLong, kTooLong}));
    EXPECT_TRUE(Output()->text().isEmpty());
    EXPECT_EQ(nCalls, 0);

    // A usable length typed over it is taken.
    dlg.m_random = Counting();
    Length()->setText(QStringLiteral("5"));
    Button(IDC_CREATE_PASSWORD)->click();
    EXPECT_EQ(Output()->text(), QStringLiteral("abcde"));
    CloseBox();
    EXPECT_EQ(m_app.m_nLength, 5);
    EXPECT_EQ(m_prompts.Messages().size(), 2);
}

TEST_F(CreatePasswordsDlgTest, AFailingRandomSourceIsReportedAndNothingIsMade) {
    CCreatePasswordsDlg& dlg = Open();
    Output()->setText(QStringLiteral("old"));
    dlg.m_random = [](unsigned char*, std::size_t) {
        errno = EIO;
        return false;
    };
    const CScriptedPrompts::Shown failed{
        QStringLiteral("No random numbers could be had from the system.\n\nInput/output error"), MB_ICONSTOP | MB_OK};
    Button(IDC_CREATE_PASSWORD)->click();
    EXPECT_TRUE(Output()->text().isEmpty());
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    EXPECT_EQ(ClipboardText(), "before");
    EXPECT_EQ(m_prompts.m_shown, (std::vector<CScriptedPrompts::Shown>{failed, failed}));
}

TEST_F(CreatePasswordsDlgTest, EnterPressesTheFocusedOrTheDefaultButtonAndEscDoesNothing) {
    CCreatePasswordsDlg& dlg = Open();
    QTest::keyClick(Length(), Qt::Key_Return);
    EXPECT_EQ(Output()->text().toStdString(), "abcdefgh");
    QTest::keyClick(Check(IDC_NUMBERS), Qt::Key_Return);
    EXPECT_EQ(Output()->text().toStdString(), "yzABCDEF");
    EXPECT_EQ(ClipboardText(), "before");

    Button(IDC_PASSWORDS_TO_CLIPBOARD)->setFocus();
    QTest::keyClick(Button(IDC_PASSWORDS_TO_CLIPBOARD), Qt::Key_Return);
    EXPECT_EQ(ClipboardText().size(), 1000u);
    EXPECT_EQ(Output()->text().toStdString(), "yzABCDEF");

    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(m_pDlg.isNull());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(m_nGone, 0);
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(CreatePasswordsDlgTest, TheCloseBoxHandsTheValuesBackAndTheWindowDeletesItself) {
    m_app.m_nLength = 8;
    Open();
    Length()->setText(QStringLiteral("14"));
    SetChecks(true, false, true);
    CloseBox();
    EXPECT_EQ(m_app.m_nLength, 14);
    EXPECT_EQ(m_app.m_bMixedCase, 1);
    EXPECT_EQ(m_app.m_bNumbers, 0);
    EXPECT_EQ(m_app.m_bPunctuation, 1);
    EXPECT_EQ(m_nGone, 1);
    EXPECT_TRUE(m_pDlg.isNull());
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

} // namespace

// The hundred passwords are secrets like a site's: they stay for pasting, not for ever. When the program
// ends they go, unless the user has copied something else since.
TEST_F(CreatePasswordsDlgTest, TheHundredPasswordsGoWithTheProgramUnlessReplaced) {
    Open();
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    ASSERT_EQ(ClipboardText().size(), 100u * (m_app.m_nLength + 2));
    EXPECT_FALSE(m_pClipboard->Timer()->isActive());
    m_pClipboard.reset();
    EXPECT_EQ(ClipboardText(), "");

    m_pClipboard = std::make_unique<CSecretClipboard>();
    delete m_pDlg.data();
    Open();
    Button(IDC_PASSWORDS_TO_CLIPBOARD)->click();
    QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
    m_pClipboard.reset();
    EXPECT_EQ(ClipboardText(), "mine");
}
namespace {

// A random source that replays one fixed sequence: passwords that look random and are the same every run.
PasswordPool::RandomBytes FixedRandom() {
    return [random = std::mt19937(2024)](unsigned char* p, std::size_t nWanted) mutable {
        for (std::size_t i = 0; i < nWanted; ++i)
            p[i] = static_cast<unsigned char>(random());
        return true;
    };
}

TEST_F(CreatePasswordsDlgTest, TheCreatedPasswordGetsAStrengthLineBelowTheOtherControls) {
    CCreatePasswordsDlg& dlg = Open();
    QLabel* pStrength = FindControl<QLabel>(&dlg, IDC_NEW_PASSWORD_STRENGTH);
    ASSERT_NE(pStrength, nullptr);
    EXPECT_EQ(pStrength->accessibleName(), QStringLiteral("Strength"));
    EXPECT_TRUE(pStrength->text().isEmpty());

    // The other controls keep their places; the line is below the last of them, inside the window.
    for (const CDialogItem& item : FindDialogTemplate(IDD_CREATE_PASSWORDS).items) {
        if (item.nID == IDC_STATIC || item.nID == IDC_NEW_PASSWORD_STRENGTH)
            continue;
        EXPECT_EQ(FindControl(&dlg, item.nID)->geometry().topLeft(),
                  MapDialogRect(dlg, QRect(item.x, item.y, item.cx, item.cy)).topLeft())
            << item.nID;
        EXPECT_GE(pStrength->geometry().top(), FindControl(&dlg, item.nID)->geometry().bottom()) << item.nID;
    }
    EXPECT_LE(pStrength->geometry().bottom(), dlg.height());

    Length()->setText(QStringLiteral("20"));
    dlg.m_random = FixedRandom();
    QTest::mouseClick(Button(IDC_CREATE_PASSWORD), Qt::LeftButton);
    EXPECT_EQ(Output()->text().size(), 20);
    EXPECT_EQ(pStrength->text(), QStringLiteral("Strength: strong"));

    // Twenty letters in alphabetical order are a sequence zxcvbn sees through at once.
    dlg.m_random = Counting();
    QTest::mouseClick(Button(IDC_CREATE_PASSWORD), Qt::LeftButton);
    EXPECT_EQ(Output()->text(), QStringLiteral("abcdefghijklmnopqrst"));
    EXPECT_EQ(pStrength->text(), QStringLiteral("Strength: very weak"));

    Length()->setText(QStringLiteral("0"));
    QTest::mouseClick(Button(IDC_CREATE_PASSWORD), Qt::LeftButton);
    EXPECT_TRUE(pStrength->text().isEmpty());
}

} // namespace

// The length box takes only digits from the keyboard, but a pasted " 12" or "+12" goes in and is read as
// the reading rules say: blanks or tabs and a plus sign around the digits.
TEST_F(CreatePasswordsDlgTest, APastedLengthWithBlanksOrAPlusSignIsRead) {
    Open();
    for (const QString& strPasted : {QStringLiteral(" 12"), QStringLiteral("+12"), QStringLiteral("\t12 ")}) {
        Length()->clear();
        QGuiApplication::clipboard()->setText(strPasted);
        Length()->setFocus();
        QTest::keySequence(Length(), QKeySequence::Paste);
        EXPECT_EQ(Length()->text(), strPasted);
        Button(IDC_CREATE_PASSWORD)->click();
        EXPECT_EQ(Output()->text().size(), 12) << strPasted.toStdString();
        EXPECT_TRUE(m_prompts.Messages().isEmpty()) << strPasted.toStdString();
    }
    Length()->clear();
    QTest::keyClicks(Length(), QStringLiteral("1a +-2"));
    EXPECT_EQ(Length()->text(), QStringLiteral("12"));
}
