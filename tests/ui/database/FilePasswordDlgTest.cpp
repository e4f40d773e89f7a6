#include "ui/database/FilePasswordDlg.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/QtPrompts.h"

#include "ScriptedWndPrompts.h"
#include "WhenModal.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct CPromptRun {
    int nResult = 0;
    std::string strPassword;
};

// Runs the real prompt through the desktop seam; act gets the live dialog once it shows.
CPromptRun RunPrompt(std::string strPassword, const QString& strLabel, std::function<void(CFilePasswordDlg&)> act) {
    CQtPrompts prompts(RunFilePasswordDlg);
    WhenModal<CFilePasswordDlg>([act](CFilePasswordDlg& dlg) {
        act(dlg);
        if (dlg.isVisible()) { // the action did not close it: fail the test rather than hang
            ADD_FAILURE() << "the dialog was left open";
            dlg.reject();
        }
    });
    CPromptRun run;
    run.nResult = prompts.FilePasswordPrompt(strPassword, strLabel);
    run.strPassword = strPassword;
    return run;
}

QLineEdit* Field(CFilePasswordDlg& dlg) {
    return FindControl<QLineEdit>(&dlg, IDC_FILE_PASSWORD);
}

} // namespace

TEST(FilePasswordDlg, EnterIsOkAndReturnsTheEntryExactlyAsTyped) {
    const CPromptRun run = RunPrompt({}, QStringLiteral("File:  a.lwd"), [](CFilePasswordDlg& dlg) {
        QTest::keyClicks(Field(dlg), QStringLiteral("  s3cret pass "));
        QTest::keyClick(Field(dlg), Qt::Key_Return);
    });
    EXPECT_EQ(run.nResult, IDOK);
    EXPECT_EQ(run.strPassword, "  s3cret pass ");
}

TEST(FilePasswordDlg, EscCloseBoxAndCancelLeaveThePasswordAsItWas) {
    const std::pair<const char*, std::function<void(CFilePasswordDlg&)>> endings[] = {
        {"Esc", [](CFilePasswordDlg& dlg) { QTest::keyClick(Field(dlg), Qt::Key_Escape); }},
        {"close box", [](CFilePasswordDlg& dlg) { dlg.close(); }},
        {"Cancel", [](CFilePasswordDlg& dlg) { FindControl<QPushButton>(&dlg, IDCANCEL)->click(); }},
    };
    for (const auto& [pszHow, end] : endings) {
        const CPromptRun run = RunPrompt("old", QStringLiteral("File:  a.lwd"), [&end](CFilePasswordDlg& dlg) {
            QTest::keyClicks(Field(dlg), QStringLiteral("new"));
            end(dlg);
        });
        EXPECT_EQ(run.nResult, IDCANCEL) << pszHow;
        EXPECT_EQ(run.strPassword, "old") << pszHow;
    }
}

TEST(FilePasswordDlg, EmptyEntryIsOkWithAnEmptyPassword) {
    const CPromptRun run = RunPrompt({}, QStringLiteral("File:  a.lwd"), [](CFilePasswordDlg& dlg) {
        EXPECT_TRUE(Field(dlg)->text().isEmpty());
        QTest::keyClick(Field(dlg), Qt::Key_Return);
    });
    EXPECT_EQ(run.nResult, IDOK);
    EXPECT_EQ(run.strPassword, "");
}

// The pre-filled password (Change File Pswd, or the retry after a wrong entry) shows masked and comes back
// byte for byte, also when its bytes are not UTF-8 (a password typed on Windows).
TEST(FilePasswordDlg, PrefilledPasswordShowsMaskedAndComesBackUnchanged) {
    for (const std::string& strOld : {std::string("hunter2"), std::string("p\xC3\xA4ss"), std::string("caf\xE9!")}) {
        const CPromptRun run = RunPrompt(strOld, QStringLiteral("File:  a.lwd"), [&strOld](CFilePasswordDlg& dlg) {
            QLineEdit* pField = Field(dlg);
            EXPECT_EQ(pField->echoMode(), QLineEdit::Password);
            EXPECT_EQ(pField->text(), ToDisplayText(strOld));
            EXPECT_NE(pField->displayText(), pField->text());
            FindControl<QPushButton>(&dlg, IDOK)->click();
        });
        EXPECT_EQ(run.nResult, IDOK);
        EXPECT_EQ(run.strPassword, strOld);
    }
}

TEST(FilePasswordDlg, TypingReplacesThePrefilledEntry) {
    const CPromptRun run = RunPrompt("wrong guess", QStringLiteral("File:  a.lwd"), [](CFilePasswordDlg& dlg) {
        QTest::keyClicks(Field(dlg), QStringLiteral("right"));
        QTest::keyClick(Field(dlg), Qt::Key_Enter);
    });
    EXPECT_EQ(run.nResult, IDOK);
    EXPECT_EQ(run.strPassword, "right");
}

TEST(FilePasswordDlg, NonAsciiEntryComesBackAsUtf8) {
    const CPromptRun run = RunPrompt({}, QStringLiteral("File:  a.lwd"), [](CFilePasswordDlg& dlg) {
        QTest::keyClicks(Field(dlg), QStringLiteral("gr"));
        QTest::sendKeyEvent(QTest::Click, Field(dlg), Qt::Key_unknown, QStringLiteral("\u00FC"), Qt::NoModifier);
        QTest::keyClicks(Field(dlg), QStringLiteral("n"));
        QTest::keyClick(Field(dlg), Qt::Key_Return);
    });
    EXPECT_EQ(run.strPassword, "gr\xC3\xBCn");
}

TEST(FilePasswordDlg, OpensWithTheLabelTheFocusOnTheFieldAndTheAppIcon) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(pixmap));
    RunPrompt({}, QStringLiteral("File:  Family accounts.lwd"), [](CFilePasswordDlg& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Enter File Password"));
        EXPECT_EQ(FindControl<QLabel>(&dlg, IDC_FILE_LABEL)->text(), QStringLiteral("File:  Family accounts.lwd"));
        EXPECT_EQ(dlg.focusWidget(), Field(dlg));
        EXPECT_TRUE(FindControl<QPushButton>(&dlg, IDOK)->isDefault());
        EXPECT_EQ(dlg.windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
        dlg.reject();
    });
    QApplication::setWindowIcon(QIcon());
}

TEST(FilePasswordDlg, LongFileLabelKeepsItsEndsAndTellsTheWholeNameToScreenReaders) {
    const QString strLabel = QStringLiteral("File:  ") + QString(200, QLatin1Char('x')) + QStringLiteral(".lwd");
    RunPrompt({}, strLabel, [&strLabel](CFilePasswordDlg& dlg) {
        auto* pLabel = FindControl<QLabel>(&dlg, IDC_FILE_LABEL);
        EXPECT_TRUE(pLabel->text().startsWith(QStringLiteral("File:  x")));
        EXPECT_TRUE(pLabel->text().endsWith(QStringLiteral(".lwd")));
        EXPECT_LE(pLabel->fontMetrics().horizontalAdvance(pLabel->text()), pLabel->width());
        EXPECT_EQ(pLabel->accessibleName(), strLabel);
        EXPECT_EQ(pLabel->toolTip(), strLabel);
        dlg.reject();
    });
}

// The document shows the same prompt again after a wrong entry; each showing starts from the members.
TEST(FilePasswordDlg, EachShowingStartsFromTheMembers) {
    CFilePasswordDlg dlg;
    dlg.m_strFileLabel = QStringLiteral("File:  a.lwd");
    CScriptedWndPrompts prompts;
    prompts.ScriptDialog([](QDialog& d) {
        QTest::keyClicks(FindControl<QLineEdit>(&d, IDC_FILE_PASSWORD), QStringLiteral("first"));
        return IDOK;
    });
    prompts.ScriptDialog([](QDialog& d) {
        EXPECT_EQ(FindControl<QLineEdit>(&d, IDC_FILE_PASSWORD)->text(), QStringLiteral("first"));
        QTest::keyClicks(FindControl<QLineEdit>(&d, IDC_FILE_PASSWORD), QStringLiteral("second"));
        return IDCANCEL;
    });
    EXPECT_EQ(prompts.DoModal(dlg), IDOK);
    EXPECT_EQ(dlg.m_strPassword, "first");
    EXPECT_EQ(prompts.DoModal(dlg), IDCANCEL);
    EXPECT_EQ(dlg.m_strPassword, "first");
    EXPECT_EQ(prompts.DoModal(dlg), IDCANCEL); // unscripted: cancelled without opening
    EXPECT_EQ(prompts.m_dialogsShown, QStringList(3, QStringLiteral("Enter File Password")));
}

TEST(FilePasswordDlg, OwnedByTheActiveWindow) {
    QWidget main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    RunPrompt({}, QStringLiteral("File:  a.lwd"), [&main](CFilePasswordDlg& dlg) {
        EXPECT_EQ(dlg.parentWidget(), &main);
        dlg.reject();
    });
}

// The second entry of a new file password is the same dialog under a caption that says what it is for.
TEST(FilePasswordDlg, ConfirmationIsTheSameDialogCaptionedConfirmFilePassword) {
    for (const bool bConfirm : {false, true}) {
        CQtPrompts prompts(RunFilePasswordDlg);
        QString strCaption;
        QString strLabel;
        WhenModal<CFilePasswordDlg>([&](CFilePasswordDlg& dlg) {
            strCaption = dlg.windowTitle();
            strLabel = dlg.m_strFileLabel;
            QTest::keyClicks(Field(dlg), QStringLiteral("n3w"));
            QTest::keyClick(Field(dlg), Qt::Key_Return);
        });
        std::string strPassword;
        const int nResult = bConfirm ? prompts.ConfirmFilePasswordPrompt(strPassword, QStringLiteral("File:  a.lwd"))
                                     : prompts.FilePasswordPrompt(strPassword, QStringLiteral("File:  a.lwd"));
        EXPECT_EQ(nResult, IDOK);
        EXPECT_EQ(strPassword, "n3w");
        EXPECT_EQ(strLabel, QStringLiteral("File:  a.lwd"));
        EXPECT_EQ(strCaption,
                  bConfirm ? QStringLiteral("Confirm File Password") : QStringLiteral("Enter File Password"));
    }
}
