#include "ui/view/NotesDlg.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QPlainTextEdit* Edit(const CNotesDlg& dlg) {
    return FindControl<QPlainTextEdit>(&dlg, IDC_NOTES_TEXT);
}

TEST(NotesDlg, IsBuiltFromItsTemplateWithOnlyAnOkButton) {
    CNotesDlg dlg;
    ASSERT_NE(Edit(dlg), nullptr);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Dialog"));
    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(ControlId(buttons.front()), IDOK);
    EXPECT_EQ(buttons.front()->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(buttons.front()->isDefault());
    EXPECT_EQ(Edit(dlg)->accessibleName(), QStringLiteral("Notes"));
    EXPECT_EQ(Edit(dlg)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST(NotesDlg, OpensWithTheTitleTheTextTheLockAndTheAppIcon) {
    struct Case {
        QString title;
        bool bLocked;
        QString shownTitle;
    };
    const Case cases[] = {{QStringLiteral("Notes - Bank"), true, QStringLiteral("Notes - Bank")},
                          {QString(), false, QStringLiteral("Dialog")}};
    for (const Case& c : cases) {
        CNotesDlg dlg;
        dlg.m_strTitle = c.title;
        dlg.m_bLocked = c.bLocked;
        dlg.m_strText = "line one\nline two";
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), c.shownTitle);
        EXPECT_EQ(Edit(dlg)->isReadOnly(), c.bLocked);
        EXPECT_EQ(Edit(dlg)->toPlainText(), QStringLiteral("line one\nline two"));
        EXPECT_EQ(dlg.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    }
}

TEST(NotesDlg, OkTakesTheTextAndEnterBreaksTheLine) {
    CNotesDlg dlg;
    dlg.m_strText = "first";
    dlg.show();
    Edit(dlg)->moveCursor(QTextCursor::End);
    QTest::keyClick(Edit(dlg), Qt::Key_Return);
    QTest::keyClicks(Edit(dlg), QStringLiteral("caf"));
    Edit(dlg)->insertPlainText(QStringLiteral("\u00e9"));
    EXPECT_TRUE(dlg.isVisible()) << "Enter in the notes is a line break, not OK";
    FindControl<QPushButton>(&dlg, IDOK)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strText, "first\r\ncaf\xC3\xA9"); // a typed break is stored as CR LF
}

// Read-only notes take no line break, and Enter there does not close the window either: only OK (or Enter
// on it), Esc and the close box do.
TEST(NotesDlg, EnterInReadOnlyNotesDoesNothing) {
    CNotesDlg dlg;
    dlg.m_bLocked = true;
    dlg.m_strText = "first";
    dlg.show();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(Edit(dlg), key);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Edit(dlg)->toPlainText(), QStringLiteral("first"));
    FindControl<QPushButton>(&dlg, IDOK)->setFocus();
    QTest::keyClick(FindControl<QPushButton>(&dlg, IDOK), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

// Notes written on Windows: bytes that only display as characters, and CR LF line breaks that the edit
// shows as plain line breaks. OK without a change gives them back untouched.
TEST(NotesDlg, UnchangedNotesKeepTheirBytes) {
    const std::string strWindows = "caf\xE9\r\nline two";
    CNotesDlg dlg;
    dlg.m_strText = strWindows;
    dlg.show();
    dlg.accept();
    EXPECT_EQ(dlg.m_strText, strWindows);
}

TEST(NotesDlg, EscAndTheCloseBoxCancel) {
    for (bool bEsc : {true, false}) {
        CNotesDlg dlg;
        dlg.m_strText = "kept";
        QTimer::singleShot(0, &dlg, [&dlg, bEsc] {
            QTest::keyClicks(Edit(dlg), QStringLiteral("typed"));
            if (bEsc)
                QTest::keyClick(Edit(dlg), Qt::Key_Escape);
            else
                dlg.close();
        });
        EXPECT_EQ(dlg.exec(), QDialog::Rejected);
        EXPECT_EQ(dlg.m_strText, "kept");
    }
}

} // namespace
