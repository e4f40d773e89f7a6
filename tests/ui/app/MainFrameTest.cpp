#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/app/RecentFileList.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/platform/ProfileStore.h"
#include "core/resources/Resource.h"
#include "ui/app/MainFrame.h"
#include "ui/framework/CommandRouter.h"

#include <QAction>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

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
        QStringLiteral("  Seal with Strong Encryption...\t"),
        QStringLiteral("  Save as Classic File...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Import CSV...\t"),
        QStringLiteral("  &Export CSV...\t"),
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
        QStringLiteral("  Copy &Password\tCtrl+Shift+C"),
        QStringLiteral("  Copy User &Name\tCtrl+Shift+B"),
        QStringLiteral("  Copy U&RL\tCtrl+Shift+L"),
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
        QStringLiteral("  Password Health...\t"),
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

// Dropped files are opened after the drop has been answered, so the program dropping them is not held
// up by a password prompt; the local ones, in the order dropped.
TEST_F(MainFrameTest, DroppedFilesAreOpenedAfterTheDrop) {
    QStringList opened;
    QObject::connect(&m_frame, &CMainFrame::filesDropped, [&](const QStringList& files) { opened += files; });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.lwd")), QUrl(QStringLiteral("https://example.org/")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/b.lwd"))});
    // As a drag arrives: the window that takes its entry is the one the drop goes to.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_frame, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_frame, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(opened.isEmpty()) << "nothing is opened inside the drop";
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("/tmp/a.lwd"), QStringLiteral("/tmp/b.lwd")}));
}

// A saved rectangle comes back whole on the screen, its frame included: no larger than the screen's free
// area and moved into it; one off every screen comes back at the primary screen's corner.
TEST_F(MainFrameTest, TheSavedRectangleIsKeptWholeOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint o = screen.topLeft();
    const QSize size(500, 300);
    struct Case {
        const char* name;
        QRect saved;
        // Where the window's frame ends up, given its margins.
        std::function<QRect(const QMargins&)> shown;
    };
    const Case cases[] = {
        {"inside", QRect(o + QPoint(100, 120), size),
         [&](const QMargins&) { return QRect(o + QPoint(100, 120), size); }},
        {"over the right and bottom edges", QRect(o + QPoint(screen.width() - 100, screen.height() - 50), size),
         [&](const QMargins& m) {
             return QRect(
                 o + QPoint(screen.width() - size.width() - m.right(), screen.height() - size.height() - m.bottom()),
                 size);
         }},
        {"over the left and top edges", QRect(o + QPoint(-100, -50), size),
         [&](const QMargins& m) { return QRect(o + QPoint(m.left(), m.top()), size); }},
        {"larger than the screen", QRect(o + QPoint(-10, 20), screen.size() * 2),
         [&](const QMargins& m) { return screen.marginsRemoved(m); }},
        {"off every screen", QRect(o + QPoint(screen.width() * 3, 0), size),
         [&](const QMargins& m) { return QRect(o + QPoint(m.left(), m.top()), size); }},
    };
    for (const Case& c : cases) {
        CWindowPlacement wp;
        wp.nLeft = c.saved.left();
        wp.nTop = c.saved.top();
        wp.nRight = c.saved.left() + c.saved.width();
        wp.nBottom = c.saved.top() + c.saved.height();
        WriteWindowPlacement(m_store, wp);
        CCommandRouter router;
        CMainFrame frame{m_doc, m_state, m_prompts, m_store, router, m_recentFiles};
        frame.ActivateFrame(CMainFrame::SW_SHOW);
        const QMargins margins = frame.windowHandle()->frameMargins();
        EXPECT_EQ(frame.geometry(), c.shown(margins)) << c.name;
        EXPECT_TRUE(screen.contains(frame.frameGeometry())) << c.name;
    }
}

// The bars the user hid stay hidden at the next start; the toolbar as before, the status bar too.
TEST_F(MainFrameTest, BothBarsComeBackAsTheyWereAtTheLastExit) {
    const std::pair<bool, bool> cases[] = {{true, false}, {false, true}, {false, false}, {true, true}};
    for (const auto& [bToolBar, bStatusBar] : cases) {
        CCommandRouter router;
        CMainFrame before{m_doc, m_state, m_prompts, m_store, router, m_recentFiles};
        before.ActivateFrame(CMainFrame::SW_SHOW);
        before.ToolBar()->setVisible(bToolBar);
        before.statusBar()->setVisible(bStatusBar);
        before.OnDestroy();

        CCommandRouter routerAfter;
        CMainFrame after{m_doc, m_state, m_prompts, m_store, routerAfter, m_recentFiles};
        after.ActivateFrame(CMainFrame::SW_SHOW);
        EXPECT_EQ(after.ToolBar()->isVisible(), bToolBar) << bToolBar << bStatusBar;
        EXPECT_EQ(after.statusBar()->isVisible(), bStatusBar) << bToolBar << bStatusBar;
    }
}

// The sites pane is sized for "100 Sites" and grows to a longer count, so that none of it is clipped, and
// back; every pane's accessible name is what it shows, so that a screen reader hears the count.
TEST_F(MainFrameTest, PanesGrowToTheirTextAndAreNamedByIt) {
    auto* pSites = m_frame.findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_SITES));
    auto* pCaps = m_frame.findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_CAPS));
    ASSERT_NE(pSites, nullptr);
    ASSERT_NE(pCaps, nullptr);
    m_frame.SetPaneText(ID_INDICATOR_SITES, QStringLiteral("\t3 Sites"));
    const int nSmall = pSites->width();
    EXPECT_EQ(pSites->accessibleName(), QStringLiteral("3 Sites"));

    m_frame.SetPaneText(ID_INDICATOR_SITES, QStringLiteral("\t100000 Sites"));
    EXPECT_EQ(pSites->accessibleName(), QStringLiteral("100000 Sites"));
    const int nTextWidth = pSites->fontMetrics().horizontalAdvance(QStringLiteral("100000 Sites"));
    EXPECT_GT(nSmall - 2 * pSites->frameWidth(), pSites->fontMetrics().horizontalAdvance(QStringLiteral("100 Sites")));
    EXPECT_GT(pSites->contentsRect().width(), nTextWidth) << "the text fits inside the frame";
    EXPECT_GT(pSites->width(), nSmall);

    m_frame.SetPaneText(ID_INDICATOR_SITES, QStringLiteral("\t7 Sites"));
    EXPECT_EQ(pSites->width(), nSmall) << "back to its least width";

    m_frame.SetPaneText(ID_INDICATOR_CAPS, QStringLiteral("CAP"));
    EXPECT_EQ(pCaps->accessibleName(), QStringLiteral("CAP"));
    m_frame.SetPaneText(ID_INDICATOR_CAPS, QString());
    EXPECT_EQ(pCaps->accessibleName(), QString());
}

// The kind pane follows the open file after every command: what protects it, in words a screen reader says.
TEST_F(MainFrameTest, KindPaneNamesWhatProtectsTheFile) {
    auto* pKind = m_frame.findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_KIND));
    ASSERT_NE(pKind, nullptr);
    const auto* pBar = m_frame.statusBar();
    // Right after the sites pane, before the keyboard lights.
    const auto* pSites = m_frame.findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_SITES));
    const auto* pCaps = m_frame.findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_CAPS));
    m_frame.show();
    EXPECT_LT(pSites->mapTo(pBar, QPoint()).x(), pKind->mapTo(pBar, QPoint()).x());
    EXPECT_LT(pKind->mapTo(pBar, QPoint()).x(), pCaps->mapTo(pBar, QPoint()).x());

    m_router.UpdateCommands();
    EXPECT_EQ(pKind->text(), QStringLiteral("No file password"));
    EXPECT_EQ(pKind->accessibleName(), QStringLiteral("No file password"));
    EXPECT_GT(pKind->contentsRect().width(), pKind->fontMetrics().horizontalAdvance(pKind->text()));

    m_state.m_strFilePassword = "pw";
    m_router.UpdateCommands();
    EXPECT_EQ(pKind->text(), QStringLiteral("Classic"));

    m_doc.m_sealCost = SealedFormat::kMinCost;
    m_doc.OnSealFile();
    ASSERT_TRUE(m_doc.IsSealed());
    m_router.UpdateCommands();
    EXPECT_EQ(pKind->text(), QStringLiteral("Sealed"));
    EXPECT_EQ(pKind->accessibleName(), QStringLiteral("Sealed"));
}

} // namespace
