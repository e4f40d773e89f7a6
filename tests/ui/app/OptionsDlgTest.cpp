#include "ScriptedPrompts.h"

#include "core/resources/Resource.h"
#include "ui/app/OptionsDlg.h"
#include "ui/framework/DialogBuilder.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QString AccessibleNameOf(QWidget* pWidget) {
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pWidget);
    return pInterface != nullptr ? pInterface->text(QAccessible::Name) : QString();
}

// Every control says what it is to a screen reader; the values shown are the members, and read back.
TEST(OptionsDlg, ShowsAndReadsTheLockSettingsWithEveryControlNamed) {
    CScriptedPrompts prompts;
    COptionsDlg dlg(prompts);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Options"));
    const std::pair<int, const char*> names[] = {
        {IDC_LOCK_MINUTES, "Lock after minutes without input (0 = never)"},
        {IDC_LOCK_ON_SCREEN_LOCK, "Lock when the screen locks or the computer sleeps"},
        {IDOK, "OK"},
        {IDCANCEL, "Cancel"},
    };
    for (const auto& [nID, pszName] : names) {
        QWidget* pControl = FindControl(&dlg, nID);
        ASSERT_NE(pControl, nullptr) << nID;
        EXPECT_EQ(AccessibleNameOf(pControl), QString::fromLatin1(pszName)) << nID;
    }
    auto* pMinutes = FindControl<QLineEdit>(&dlg, IDC_LOCK_MINUTES);
    auto* pScreen = FindControl<QCheckBox>(&dlg, IDC_LOCK_ON_SCREEN_LOCK);

    dlg.m_nLockMinutes = 15;
    dlg.m_bLockOnScreenLock = 0;
    dlg.UpdateData(false);
    EXPECT_EQ(pMinutes->text(), QStringLiteral("15"));
    EXPECT_FALSE(pScreen->isChecked());

    pMinutes->setText(QStringLiteral("0"));
    pScreen->setChecked(true);
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nLockMinutes, 0);
    EXPECT_EQ(dlg.m_bLockOnScreenLock, 1);
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

// Minutes that cannot be used are refused with the reason, and the values of before stay.
TEST(OptionsDlg, RefusesMinutesItCannotUse) {
    CScriptedPrompts prompts;
    COptionsDlg dlg(prompts);
    dlg.m_nLockMinutes = 5;
    dlg.UpdateData(false);
    auto* pMinutes = FindControl<QLineEdit>(&dlg, IDC_LOCK_MINUTES);
    pMinutes->setText(QStringLiteral("1441"));
    EXPECT_FALSE(dlg.UpdateData(true));
    pMinutes->setText(QString());
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nLockMinutes, 5);
    EXPECT_EQ(prompts.Messages(), (QStringList{QStringLiteral("Please enter a number of minutes from 0 to 1440."),
                                               QStringLiteral("Please enter a positive integer.")}));
    pMinutes->setText(QStringLiteral("1440"));
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nLockMinutes, 1440);
}

} // namespace
