#include "ScriptedWndPrompts.h"

#include "app/AppState.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "database/LockwardenDoc.h"
#include "framework/CommandRouter.h"
#include "platform/ProfileStore.h"
#include "resources/Resource.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

// A main frame on its own: no application object, no document file.
class MainFrameTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    CAppState m_state;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_state, m_prompts};
    CProfileStore m_store{m_dir.filePath(QStringLiteral("frame.conf"))};
    CCommandRouter m_router;
    CRecentFileList m_recentFiles;
    CMainFrame m_frame{m_doc, m_state, m_prompts, m_store, m_router, m_recentFiles};
};

// One line per entry: its text, a tab and its keys; "-" for a separator; a submenu's entries indented.
void DumpMenu(const QMenu& menu, const QString& strIndent, QStringList& lines) {
    for (QAction* pAction : menu.actions()) {
        if (pAction->isSeparator()) {
            lines << strIndent + QStringLiteral("-");
            continue;
        }
        QStringList keys;
        for (const QKeySequence& key : pAction->shortcuts())
            keys << key.toString(QKeySequence::PortableText);
        lines << strIndent + pAction->text() + QLatin1Char('\t') + keys.join(QStringLiteral("; ")) +
                     (pAction->isCheckable() ? QStringLiteral(" [check]") : QString());
        if (pAction->menu() != nullptr)
            DumpMenu(*pAction->menu(), strIndent + QStringLiteral("  "), lines);
    }
}

TEST_F(MainFrameTest, MenusHoldEveryCommandWithItsCaptionKeysAndPlace) {
    QStringList lines;
    for (QAction* pAction : m_frame.menuBar()->actions()) {
        lines << pAction->text();
        DumpMenu(*pAction->menu(), QStringLiteral("  "), lines);
    }
    const QStringList expected = {
        QStringLiteral("&File"),
        QStringLiteral("  &New\tCtrl+N"),
        QStringLiteral("  &Open...\tCtrl+O"),
        QStringLiteral("  &Save\tCtrl+S"),
        QStringLiteral("  Save &As...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  Recent Files\t"),
        QStringLiteral("    Start With MRU\t [check]"),
        QStringLiteral("    -"),
        // An empty list shows where its files will go; the other three places are hidden.
        QStringLiteral("    Recent File\t"),
        QStringLiteral("    Recent File\t"),
        QStringLiteral("    Recent File\t"),
        QStringLiteral("    Recent File\t"),
        QStringLiteral("  -"),
        QStringLiteral("  Printing\t"),
        QStringLiteral("    &Print...\tCtrl+P"),
        QStringLiteral("    Print Pre&view\t"),
        QStringLiteral("    P&rint Setup...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  E&xit\tAlt+F4"),
        QStringLiteral("&Edit"),
        QStringLiteral("  Undo\tCtrl+Z; Alt+Backspace"),
        QStringLiteral("  Cut\tCtrl+X; Shift+Del"),
        QStringLiteral("  Copy\tCtrl+C; Ctrl+Ins"),
        QStringLiteral("  Paste\tCtrl+V; Shift+Ins"),
        QStringLiteral("  -"),
        QStringLiteral("  Site\t"),
        QStringLiteral("    Add\t"),
        QStringLiteral("    Edit\t"),
        QStringLiteral("    Remove\t"),
        QStringLiteral("    Keep\t"),
        QStringLiteral("    Cancel\t"),
        QStringLiteral("    -"),
        QStringLiteral("    Notes\t"),
        QStringLiteral("    -"),
        QStringLiteral("    Find Site\tCtrl+F"),
        QStringLiteral("    -"),
        QStringLiteral("    Go URL...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  Change File Pswd...\t"),
        QStringLiteral("&View"),
        QStringLiteral("  &Toolbar\t [check]"),
        QStringLiteral("  &Status Bar\t [check]"),
        QStringLiteral("  -"),
        QStringLiteral("  Create Passwords...\t"),
        QStringLiteral("&Help"),
        QStringLiteral("  &About Lockwarden...\t"),
        QStringLiteral("  Documentation...\tF1"),
    };
    EXPECT_EQ(lines.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());

    const QMenu* pRecent = m_frame.RecentFilesMenu();
    ASSERT_NE(pRecent, nullptr);
    EXPECT_EQ(pRecent->title(), QStringLiteral("Recent Files"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pRecent->actions().value(2 + i), m_router.Action(ID_FILE_MRU_FILE1 + i)) << i;
}

TEST_F(MainFrameTest, ToolbarHoldsItsButtonsInOrderWithGapsAndAnIconEach) {
    QList<int> buttons;
    for (QAction* pAction : m_frame.ToolBar()->actions()) {
        buttons << (pAction->isSeparator() ? 0 : pAction->data().toInt());
        if (!pAction->isSeparator()) {
            EXPECT_FALSE(pAction->icon().isNull()) << pAction->data().toInt();
        }
    }
    EXPECT_EQ(buttons, (QList<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
                                   0, ID_FILE_PRINT, 0, ID_APP_ABOUT}));
    EXPECT_EQ(m_frame.ToolBar()->objectName(), QStringLiteral("AFX_IDW_TOOLBAR"));
}

TEST_F(MainFrameTest, PaneKeysWorkOnTheWholeWindowWithoutAMenuEntry) {
    const QList<QAction*> actions = m_frame.actions();
    QStringList keys;
    for (QAction* pAction : actions)
        keys << QStringLiteral("%1 %2").arg(pAction->data().toInt()).arg(pAction->shortcut().toString());
    EXPECT_EQ(keys, (QStringList{QStringLiteral("57680 F6"), QStringLiteral("57681 Shift+F6")}));
}

} // namespace
