#include "core/app/WindowPlacement.h"
#include "core/platform/ProfileStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct RectCase {
    int l, t, r, b;
    const char* pszWritten;
};

class WindowPlacementRectWritten : public ::testing::TestWithParam<RectCase> {};

TEST_P(WindowPlacementRectWritten, PadsToFourAndReadsBackTheSameNumbers) {
    const RectCase& c = GetParam();
    CWindowPlacement wp;
    wp.nLeft = c.l;
    wp.nTop = c.t;
    wp.nRight = c.r;
    wp.nBottom = c.b;
    EXPECT_EQ(FormatPlacementRect(wp), QString::fromLatin1(c.pszWritten));
    CWindowPlacement back;
    ASSERT_TRUE(ParsePlacementRect(FormatPlacementRect(wp), back));
    EXPECT_EQ(back.nLeft, c.l);
    EXPECT_EQ(back.nTop, c.t);
    EXPECT_EQ(back.nRight, c.r);
    EXPECT_EQ(back.nBottom, c.b);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlacementRectWritten,
                         ::testing::Values(RectCase{-8, -8, 1288, 1008, "-008 -008 1288 1008"},
                                           RectCase{0, 5, 640, 480, "0000 0005 0640 0480"},
                                           RectCase{10000, 12345, 20000, 99999, "10000 12345 20000 99999"},
                                           RectCase{-1234, 0, -100, 7, "-1234 0000 -100 0007"}));

struct ParseCase {
    const char* pszText;
    bool bRead;
    int l, t, r, b;
};

class WindowPlacementRectRead : public ::testing::TestWithParam<ParseCase> {};

TEST_P(WindowPlacementRectRead, TakesExactlyFourNumbersWithAnyBlanks) {
    const ParseCase& c = GetParam();
    CWindowPlacement wp;
    ASSERT_EQ(ParsePlacementRect(QString::fromLatin1(c.pszText), wp), c.bRead) << c.pszText;
    if (c.bRead) {
        EXPECT_EQ(wp.nLeft, c.l);
        EXPECT_EQ(wp.nTop, c.t);
        EXPECT_EQ(wp.nRight, c.r);
        EXPECT_EQ(wp.nBottom, c.b);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlacementRectRead,
                         ::testing::Values(ParseCase{"0100    0120\t 0500  0400", true, 100, 120, 500, 400},
                                           ParseCase{"-008 -008 1288 1008", true, -8, -8, 1288, 1008},
                                           ParseCase{"0100 0120 0500", false, 0, 0, 0, 0},
                                           ParseCase{"", false, 0, 0, 0, 0}, ParseCase{"a b c d", false, 0, 0, 0, 0},
                                           ParseCase{"1 2 x 4", false, 0, 0, 0, 0}));

struct FlagCase {
    EShowState state;
    bool bRestoreToMaximized;
    int nIcon;
    int nMax;
};

class WindowPlacementFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(WindowPlacementFlags, StoredAsIconAndMaxAndBack) {
    const FlagCase& c = GetParam();
    CWindowPlacement wp;
    wp.showState = c.state;
    wp.bRestoreToMaximized = c.bRestoreToMaximized;
    EXPECT_EQ(IconFlagOf(wp), c.nIcon);
    EXPECT_EQ(MaxFlagOf(wp), c.nMax);
    CWindowPlacement back;
    ApplyStoredFlags(c.nIcon, c.nMax, back);
    EXPECT_EQ(back.showState, c.state);
    EXPECT_EQ(back.bRestoreToMaximized, c.nMax != 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlacementFlags,
                         ::testing::Values(FlagCase{EShowState::Normal, false, 0, 0},
                                           FlagCase{EShowState::Maximized, false, 0, 1},
                                           FlagCase{EShowState::Minimized, false, 1, 0},
                                           FlagCase{EShowState::Minimized, true, 1, 1}));

TEST(WindowPlacement, ThreeNumbersAreIgnoredAndFlagsReadWithTheRect) {
    QTemporaryDir dir;
    CProfileStore store(dir.filePath(QStringLiteral("s.conf")));
    CWindowPlacement wp;
    EXPECT_FALSE(ReadWindowPlacement(store, wp)) << "no section yet";
    store.WriteProfileString(QStringLiteral("mainWindow"), QStringLiteral("rect"), QStringLiteral("1 2 3"));
    store.WriteProfileInt(QStringLiteral("mainWindow"), QStringLiteral("max"), 1);
    EXPECT_FALSE(ReadWindowPlacement(store, wp));

    wp.nLeft = -8;
    wp.nTop = 20;
    wp.nRight = 10400;
    wp.nBottom = 900;
    wp.showState = EShowState::Minimized;
    wp.bRestoreToMaximized = true;
    WriteWindowPlacement(store, wp);
    EXPECT_EQ(store.GetProfileString(QStringLiteral("MAINWINDOW"), QStringLiteral("rect")),
              QStringLiteral("-008 0020 10400 0900"));
    CWindowPlacement back;
    ASSERT_TRUE(ReadWindowPlacement(store, back));
    EXPECT_EQ(back.nLeft, -8);
    EXPECT_EQ(back.nRight, 10400);
    EXPECT_EQ(back.showState, EShowState::Minimized);
    EXPECT_TRUE(back.bRestoreToMaximized);
}

// Both bars show unless the placement says otherwise; each comes back as it was written.
TEST(WindowPlacement, BarsAreReadBackAsWrittenAndShowByDefault) {
    QTemporaryDir dir;
    CProfileStore store(dir.filePath(QStringLiteral("s.conf")));
    store.WriteProfileString(QStringLiteral("mainWindow"), QStringLiteral("rect"), QStringLiteral("1 2 3 4"));
    CWindowPlacement wp;
    ASSERT_TRUE(ReadWindowPlacement(store, wp));
    EXPECT_TRUE(wp.bToolBar);
    EXPECT_TRUE(wp.bStatusBar);
    const std::pair<bool, bool> cases[] = {{false, true}, {true, false}, {false, false}, {true, true}};
    for (const auto& [bToolBar, bStatusBar] : cases) {
        wp.bToolBar = bToolBar;
        wp.bStatusBar = bStatusBar;
        WriteWindowPlacement(store, wp);
        EXPECT_EQ(store.GetProfileInt(QStringLiteral("mainWindow"), QStringLiteral("statusBar"), -1),
                  bStatusBar ? 1 : 0);
        CWindowPlacement back;
        back.bToolBar = !bToolBar;
        back.bStatusBar = !bStatusBar;
        ASSERT_TRUE(ReadWindowPlacement(store, back));
        EXPECT_EQ(back.bToolBar, bToolBar);
        EXPECT_EQ(back.bStatusBar, bStatusBar);
    }
}

} // namespace
