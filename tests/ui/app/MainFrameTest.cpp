#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/app/RecentFileList.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/platform/ProfileStore.h"
#include "core/resources/Resource.h"
#include "ui/app/MainFrame.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/view/LockwardenView.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

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
        QStringLiteral("  &Merge From...\t"),
        QStringLiteral("  Mer&ge Conflict Copies...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  Seal &with Strong Encryption...\t"),
        QStringLiteral("  Save as Classic &File...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Lock\tCtrl+L"),
        QStringLiteral("  &Unlock\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Import...\t"),
        QStringLiteral("  &Export CSV...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Recent Files\t"),
        QStringLiteral("    &Start With MRU\t [check]"),
        QStringLiteral("    -"),
        // An empty list shows where its files will go; the other three places are hidden.
        QStringLiteral("    &Recent File\t"),
        QStringLiteral("    &Recent File\t"),
        QStringLiteral("    &Recent File\t"),
        QStringLiteral("    &Recent File\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Printing\t"),
        QStringLiteral("    &Print...\tCtrl+P"),
        QStringLiteral("    Print Pre&view\t"),
        QStringLiteral("    P&rint Setup...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  E&xit\tAlt+F4"),
        QStringLiteral("&Edit"),
        QStringLiteral("  &Undo\tCtrl+Z; Alt+Backspace"),
        QStringLiteral("  Cu&t\tCtrl+X; Shift+Del"),
        QStringLiteral("  &Copy\tCtrl+C; Ctrl+Ins"),
        QStringLiteral("  &Paste\tCtrl+V; Shift+Ins"),
        QStringLiteral("  -"),
        QStringLiteral("  Copy Pass&word\tCtrl+Shift+C"),
        QStringLiteral("  Copy User &Name\tCtrl+Shift+B"),
        QStringLiteral("  Copy U&RL\tCtrl+Shift+L"),
        QStringLiteral("  Copy C&ode\tCtrl+Shift+T"),
        QStringLiteral("  Auto-T&ype\tCtrl+Shift+V"),
        QStringLiteral("  -"),
        QStringLiteral("  &Site\t"),
        QStringLiteral("    &Add\t"),
        QStringLiteral("    &Edit\t"),
        QStringLiteral("    &Remove\t"),
        QStringLiteral("    &Keep\t"),
        QStringLiteral("    &Cancel\t"),
        QStringLiteral("    -"),
        QStringLiteral("    &Notes\t"),
        QStringLiteral("    -"),
        QStringLiteral("    &Find Site\tCtrl+F"),
        QStringLiteral("    -"),
        QStringLiteral("    &Go URL...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  C&hange File Pswd...\t"),
        QStringLiteral("&View"),
        QStringLiteral("  &Toolbar\t [check]"),
        QStringLiteral("  &Status Bar\t [check]"),
        QStringLiteral("  -"),
        QStringLiteral("  &Create Passwords...\t"),
        QStringLiteral("  &Password Health...\t"),
        QStringLiteral("  &Resolve Conflicts...\t"),
        QStringLiteral("  -"),
        QStringLiteral("  &Options...\t"),
        QStringLiteral("&Help"),
        QStringLiteral("  &About Lockwarden...\t"),
        QStringLiteral("  &Documentation...\tF1"),
    };
    EXPECT_EQ(lines.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());

    const QMenu* pRecent = m_frame.RecentFilesMenu();
    ASSERT_NE(pRecent, nullptr);
    EXPECT_EQ(pRecent->title(), QStringLiteral("&Recent Files"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pRecent->actions().value(2 + i), m_router.Action(ID_FILE_MRU_FILE1 + i)) << i;
}

// Each entry's Alt letter, and what else claims it; the entries without one.
class CAltLetters {
public:
    explicit CAltLetters(QString strWhere) : m_strWhere(std::move(strWhere)) {}
    void Claim(const QString& strText, QStringList& faults) {
        const QKeySequence key = QKeySequence::mnemonic(strText);
        if (key.isEmpty()) {
            faults << QStringLiteral("%1: \"%2\" has no Alt letter").arg(m_strWhere, strText);
            return;
        }
        const auto [it, bNew] = m_owners.emplace(key, strText);
        if (!bNew)
            faults << QStringLiteral("%1: \"%2\" and \"%3\" share %4")
                          .arg(m_strWhere, it->second, strText, key.toString(QKeySequence::PortableText));
    }

private:
    QString m_strWhere;
    std::map<QKeySequence, QString> m_owners;
};

void CheckMenuLetters(const QMenu& menu, const QString& strWhere, QStringList& faults) {
    CAltLetters letters(strWhere);
    for (const QAction* pAction : menu.actions()) {
        if (pAction->isSeparator() || !pAction->isVisible())
            continue;
        letters.Claim(pAction->text(), faults);
        if (pAction->menu() != nullptr)
            CheckMenuLetters(*pAction->menu(), strWhere + QStringLiteral(" > ") + pAction->text(), faults);
    }
}

// Every menu entry and every button of the form can be reached with its own Alt letter: one letter per
// entry within a menu; the menu bar's titles and the form's buttons share the window, so one letter each
// among them all. The recent files are numbered.
TEST_F(MainFrameTest, EveryMenuEntryAndFormButtonHasAnAltLetterOfItsOwn) {
    QStringList faults;
    CAltLetters window(QStringLiteral("main window"));
    for (const QAction* pAction : m_frame.menuBar()->actions()) {
        window.Claim(pAction->text(), faults);
        CheckMenuLetters(*pAction->menu(), pAction->text(), faults);
    }
    for (const QAbstractButton* pButton : m_frame.GetActiveView()->findChildren<QAbstractButton*>())
        window.Claim(pButton->text(), faults);
    EXPECT_EQ(faults.join(QLatin1Char('\n')).toStdString(), "");

    faults.clear();
    m_recentFiles.Add(m_dir.filePath(QStringLiteral("a.lwd")));
    m_recentFiles.Add(m_dir.filePath(QStringLiteral("b.lwd")));
    Q_EMIT m_frame.RecentFilesMenu()->aboutToShow();
    CheckMenuLetters(*m_frame.RecentFilesMenu(), QStringLiteral("Recent Files"), faults);
    EXPECT_EQ(faults.join(QLatin1Char('\n')).toStdString(), "");
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

// How much a picture stands out from the background: the mean over its pixels of their coverage times
// their distance in grey from the background, from 0 to 1.
double Contrast(const QPixmap& pm, const QColor& background) {
    const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    double dSum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            dSum += qAlpha(rgb) / 255.0 * std::abs(qGray(rgb) - qGray(background.rgb())) / 255.0;
        }
    return image.isNull() ? 0 : dSum / (image.width() * image.height());
}

// While the toolbar's commands are disabled (locked, say) every button looks it, not only Save: each
// icon's disabled picture stands out far less than its normal one, at the toolbar's size at 96 DPI and at
// 144 DPI, on ordinary and double-density screens.
TEST_F(MainFrameTest, EveryToolbarIconHasADisabledLook) {
    const QColor background = m_frame.ToolBar()->palette().color(QPalette::Window);
    const int nSize = m_frame.ToolBar()->iconSize().height();
    for (QAction* pAction : m_frame.ToolBar()->actions()) {
        if (pAction->isSeparator())
            continue;
        for (const int nPixels : {nSize, nSize * 3 / 2})
            for (const qreal dRatio : {1.0, 2.0}) {
                const QSize size(nPixels, nPixels);
                const double dNormal = Contrast(pAction->icon().pixmap(size, dRatio, QIcon::Normal), background);
                const double dDisabled = Contrast(pAction->icon().pixmap(size, dRatio, QIcon::Disabled), background);
                EXPECT_GT(dNormal, 0.02) << pAction->text().toStdString() << " at " << nPixels << " px";
                EXPECT_LT(dDisabled, dNormal / 2)
                    << pAction->text().toStdString() << " at " << nPixels << " px, " << dRatio << "x";
            }
    }
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

// The window opens at the form's own size, which is also the least it can be; enlarged, the list and the
// fields widen with it (the notes deepen too) so that a long URL shows, the buttons keep their column at
// the right edge, and the labels stay. Made small again, everything is back where it was.
TEST_F(MainFrameTest, TheFormGrowsWithTheWindowFromItsDefaultSizeWhichIsAlsoItsLeast) {
    CLockwardenView& view = *m_frame.GetActiveView();
    view.OnInitialUpdate();
    m_frame.ActivateFrame(CMainFrame::SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
    const QSize standard = m_frame.size();
    EXPECT_EQ(m_frame.minimumSize(), standard);
    EXPECT_EQ(view.size(), view.minimumSize());

    struct Case {
        int nID;
        int nMoves, nWidens, nDeepens; // how much of the window's growth goes where
    };
    const Case cases[] = {
        {IDC_SITE, 0, 1, 0},  {IDC_URL, 0, 1, 0},    {IDC_USER, 0, 1, 0},   {IDC_PSWD, 0, 1, 0},
        {IDC_NOTES, 0, 1, 1}, {IDC_ADD, 1, 0, 0},    {IDC_EDIT, 1, 0, 0},   {IDC_REMOVE, 1, 0, 0},
        {IDC_KEEP, 1, 0, 0},  {IDC_CANCEL, 1, 0, 0}, {IDC_GO_URL, 1, 0, 0}, {IDC_NOTES_BUTTON, 1, 0, 0},
        {IDC_FIND, 1, 0, 0},
    };
    std::map<int, QRect> before;
    for (const Case& c : cases) {
        ASSERT_NE(FindControl(&view, c.nID), nullptr) << c.nID;
        before[c.nID] = FindControl(&view, c.nID)->geometry();
    }
    QList<QRect> labels;
    for (const QLabel* pLabel : view.findChildren<QLabel*>())
        labels << pLabel->geometry();
    ASSERT_EQ(labels.size(), 5);

    const int dx = 300;
    const int dy = 140;
    m_frame.resize(standard + QSize(dx, dy));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.size() == view.minimumSize() + QSize(dx, dy); }));
    for (const Case& c : cases) {
        const QRect rc = before[c.nID];
        // The notes deepen by whole lines: as much of dy as they fill.
        const int nHeight = c.nDeepens == 0
                                ? rc.height()
                                : WholeLinesHeight(*FindControl<QPlainTextEdit>(&view, c.nID), rc.height() + dy, false);
        EXPECT_EQ(FindControl(&view, c.nID)->geometry(),
                  QRect(rc.x() + c.nMoves * dx, rc.y(), rc.width() + c.nWidens * dx, nHeight))
            << c.nID;
        EXPECT_GT(nHeight + QFontMetrics(view.font()).lineSpacing(), rc.height() + c.nDeepens * dy) << c.nID;
    }
    QList<QRect> labelsAfter;
    for (const QLabel* pLabel : view.findChildren<QLabel*>())
        labelsAfter << pLabel->geometry();
    EXPECT_EQ(labelsAfter, labels);

    m_frame.resize(standard - QSize(100, 50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame.size() == standard; }));
    for (const Case& c : cases)
        EXPECT_EQ(FindControl(&view, c.nID)->geometry(), before[c.nID]) << c.nID;
}

// What a tooltip shows as the pointer rests on w at pos; empty when none shows.
std::string TooltipAt(QWidget& w, const QPoint& pos) {
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
        return "(the last tooltip stays)";
    QHelpEvent event(QEvent::ToolTip, pos, w.mapToGlobal(pos));
    QApplication::sendEvent(&w, &event);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
}

// The first pane shows a command's prompt as the pointer rests on its entry; a prompt it cannot show whole
// (too long for the window's width, or no status bar at all) is also shown as a tooltip over the entry, and
// after the button's own tooltip over a toolbar button. One that fits is left to the pane.
TEST_F(MainFrameTest, APromptTheFirstPaneWouldCutShowsAsATooltipToo) {
    m_frame.GetActiveView()->OnInitialUpdate();
    m_frame.ActivateFrame(CMainFrame::SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
    const QString strSeal = m_router.Action(ID_FILE_SEAL)->statusTip();
    const QString strNew = m_router.Action(ID_FILE_NEW)->statusTip();
    const QString strAbout = m_router.Action(ID_APP_ABOUT)->statusTip();
    ASSERT_EQ(strNew, QStringLiteral("Create a new document"));
    const QLabel* pPane = m_frame.statusBar()->findChild<QLabel*>(QStringLiteral("ID_SEPARATOR"));
    ASSERT_NE(pPane, nullptr);
    // The default window is too narrow for the longest prompts, wide enough for short ones.
    ASSERT_GT(pPane->fontMetrics().horizontalAdvance(strSeal), pPane->width());
    ASSERT_LT(pPane->fontMetrics().horizontalAdvance(strNew), pPane->width());

    QMenu* pFile = m_frame.menuBar()->actions().value(0)->menu();
    pFile->popup(m_frame.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pFile));
    const auto entryTip = [&](int nID) {
        return TooltipAt(*pFile, pFile->actionGeometry(m_router.Action(nID)).center());
    };
    auto* pAboutButton = qobject_cast<QToolButton*>(m_frame.ToolBar()->widgetForAction(m_router.Action(ID_APP_ABOUT)));
    ASSERT_NE(pAboutButton, nullptr);
    const auto buttonTip = [&] { return TooltipAt(*pAboutButton, pAboutButton->rect().center()); };

    EXPECT_EQ(entryTip(ID_FILE_SEAL), strSeal.toStdString());
    EXPECT_EQ(entryTip(ID_FILE_NEW), "");
    EXPECT_EQ(buttonTip(), "About\n" + strAbout.toStdString());

    m_frame.resize(m_frame.width() + 1200, m_frame.height());
    ASSERT_TRUE(QTest::qWaitFor([&] { return pPane->fontMetrics().horizontalAdvance(strSeal) < pPane->width(); }));
    EXPECT_EQ(entryTip(ID_FILE_SEAL), "");
    EXPECT_EQ(buttonTip(), "About");

    m_frame.statusBar()->hide();
    EXPECT_EQ(entryTip(ID_FILE_NEW), strNew.toStdString());
    pFile->hide();
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

    m_doc.SetFileKey(CFileKey::Classic("pw"));
    m_router.UpdateCommands();
    EXPECT_EQ(pKind->text(), QStringLiteral("Classic"));

    m_doc.SetSealCost(SealedFormat::kMinCost);
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.EnterPassword("sealed-pw");
    m_doc.OnSealFile();
    ASSERT_TRUE(m_doc.IsSealed());
    m_router.UpdateCommands();
    // Sealed in memory only, until a save writes it so.
    EXPECT_EQ(pKind->text(), QStringLiteral("Sealed (not saved)"));
    EXPECT_EQ(pKind->accessibleName(), QStringLiteral("Sealed (not saved)"));
    EXPECT_EQ(pKind->accessibleDescription(),
              QStringLiteral("Sealed: encrypted and authenticated; only the file password opens it\nNot saved yet: the "
                             "file on disk is still a classic file with a file password."));
}

} // namespace
