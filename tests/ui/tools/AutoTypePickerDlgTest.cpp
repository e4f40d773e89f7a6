#include "ui/tools/AutoTypePickerDlg.h"

#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

const std::vector<std::string_view> kNames{"Bank", "bank of Zoë", "Mail", "Forum", "Banking \xC3\x89tat"};

QStringList Shown(const CAutoTypePickerDlg& dlg) {
    QStringList names;
    for (int i = 0; i < dlg.ShownCount(); ++i)
        names << dlg.List()->model()->index(i, 0).data().toString();
    return names;
}

// Typing narrows the list to the names holding the text, ignoring case (É finds é), the first chosen; the arrows
// move in the list from the box; Enter gives the chosen site's index among all the names.
TEST(AutoTypePickerDlg, TypeAheadNarrowsAndEnterChoosesTheSite) {
    CAutoTypePickerDlg dlg(kNames);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dlg.ShownCount(), 5);
    EXPECT_EQ(dlg.Chosen(), 0);
    const QSignalSpy chosen(&dlg, &CAutoTypePickerDlg::chosen);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.FilterBox()->setFocus();

    QTest::keyClicks(dlg.FilterBox(), QStringLiteral("BAN"));
    EXPECT_EQ(Shown(dlg),
              (QStringList{QStringLiteral("Bank"), QStringLiteral("bank of Zoë"), QStringLiteral("Banking État")}));
    QTest::keyClicks(dlg.FilterBox(), QStringLiteral("king "));
    // A key the test's keyboard has no name for: its text alone, as an input method gives it.
    QTest::sendKeyEvent(QTest::Click, dlg.FilterBox(), Qt::Key_unknown, QStringLiteral("É"), Qt::NoModifier);
    EXPECT_EQ(Shown(dlg), QStringList{QStringLiteral("Banking État")});
    EXPECT_EQ(dlg.Chosen(), 4);

    dlg.SetFilter(QStringLiteral("o"));
    EXPECT_EQ(Shown(dlg), (QStringList{QStringLiteral("bank of Zoë"), QStringLiteral("Forum")}));
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Down);
    EXPECT_EQ(dlg.Chosen(), 3);
    EXPECT_TRUE(dlg.FilterBox()->hasFocus());
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 3);
    EXPECT_FALSE(dlg.isVisible());
}

// Nothing matching: nothing to choose, Enter does nothing; Esc closes without a choice.
TEST(AutoTypePickerDlg, NoMatchChoosesNothingAndEscCloses) {
    CAutoTypePickerDlg dlg(kNames);
    const QSignalSpy chosen(&dlg, &CAutoTypePickerDlg::chosen);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SetFilter(QStringLiteral("nothing like it"));
    EXPECT_EQ(dlg.ShownCount(), 0);
    EXPECT_EQ(dlg.Chosen(), -1);
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(dlg.FilterBox()->accessibleName(), QStringLiteral("Type into the window: which site?"));
    EXPECT_EQ(dlg.List()->accessibleName(), QStringLiteral("Sites"));
}

} // namespace
