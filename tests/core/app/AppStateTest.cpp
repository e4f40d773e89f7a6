#include "EnvOverride.h"
#include "ScriptedPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/ProfileStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class AppStateTest : public testing::Test {
protected:
    QString ConfigFile() const { return m_home.ConfigPath() + QStringLiteral("/Fernhollow/Lockwarden.conf"); }

    QByteArray FileText() const {
        QFile file(ConfigFile());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    void WriteFileText(const QByteArray& text) const {
        QDir().mkpath(m_home.ConfigPath() + QStringLiteral("/Fernhollow"));
        QFile file(ConfigFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    static void Write(const CAppState& state) {
        CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
        state.WriteSettings(store);
    }

    // The seven integer settings in the order they are stored.
    static std::vector<int> IntegersOf(const CAppState& state) {
        return {state.m_bMixedCase, state.m_bNumbers,  state.m_bPunctuation, state.m_bOpenMRU,
                state.m_nLength,    state.m_bHidePswd, state.m_bBackupOnSave};
    }

    CAppState ReadBack() const {
        CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
        CAppState state;
        state.ReadSettings(store);
        return state;
    }

    CTempXdgHome m_home;
};

TEST_F(AppStateTest, TheStoreLivesInTheConfigFolderUnderCompanyAndApplication) {
    CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
    EXPECT_EQ(store.FilePath(), ConfigFile());
}

TEST_F(AppStateTest, WithNoFileEverySettingHasItsDefault) {
    const CAppState state = ReadBack();
    EXPECT_EQ(IntegersOf(state), (std::vector<int>{1, 1, 1, 0, 8, 1, 1}));
    // The lock: never on idle time, as the program never locked; on a locked screen, yes.
    EXPECT_EQ(state.m_nLockMinutes, 0);
    EXPECT_EQ(state.m_bLockOnScreenLock, 1);
    EXPECT_EQ(state.LastSiteOf(QStringLiteral("/data/sites.lwd")), "");
    EXPECT_EQ(state.m_strFind, "");
    EXPECT_FALSE(QFile::exists(ConfigFile())) << "reading must not create the file";
}

TEST_F(AppStateTest, WrittenValuesComeBackUnderTheirKeys) {
    CAppState state;
    state.m_bMixedCase = 0;
    state.m_bNumbers = 2;
    state.m_bPunctuation = 0;
    state.m_bOpenMRU = 1;
    state.m_nLength = 31;
    state.m_bHidePswd = 0;
    state.m_bBackupOnSave = 0;
    state.m_strFind = "ban";
    state.m_strBreachList = "/data/pwned-passwords-sha1-ordered-by-hash.txt";
    state.m_nLockMinutes = 15;
    state.m_bLockOnScreenLock = 0;
    Write(state);
    const CAppState back = ReadBack();
    EXPECT_EQ(back.m_nLockMinutes, 15);
    EXPECT_EQ(back.m_bLockOnScreenLock, 0);
    EXPECT_EQ(IntegersOf(back), (std::vector<int>{0, 2, 0, 1, 31, 0, 0}));
    EXPECT_EQ(back.m_strFind, "ban");
    EXPECT_EQ(back.m_strBreachList, "/data/pwned-passwords-sha1-ordered-by-hash.txt");

    // The keys as other programs and older versions know them, "bPuncuation" spelling included, the breach
    // list's of the password health window, and auto-type's token of the desktop portal.
    QSettings raw(ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{QStringLiteral("settings")});
    raw.beginGroup(QStringLiteral("settings"));
    QStringList keys = raw.childKeys();
    keys.sort();
    EXPECT_EQ(keys.join(QLatin1Char(' ')),
              QStringLiteral("bBackupOnSave bHidePswd bLockOnScreenLock bMixedCase bNumbers bOpenMRU bPuncuation "
                             "nLength nLockMinutes strBreachList strFind strPortalToken"));
    EXPECT_EQ(raw.value(QStringLiteral("nLength")).toInt(), 31);
}

TEST_F(AppStateTest, TheFilePasswordIsNeverWritten) {
    CAppState state;
    CScriptedPrompts prompts;
    CLockwardenDoc doc(state, prompts);
    doc.SetFileKey(CFileKey::Classic("Pa55-word-never-stored"));
    doc.AddSite(std::make_unique<CSiteInfo>("site", "", "", "", ""));
    state.m_strFind = "site";
    Write(state);
    const QByteArray text = FileText();
    EXPECT_FALSE(text.isEmpty());
    EXPECT_FALSE(text.contains("Pa55-word-never-stored"));
    EXPECT_FALSE(text.toLower().contains("password"));
    EXPECT_EQ(ReadBack().m_strFind, "site");
}

TEST_F(AppStateTest, SectionsOfEitherCaseAreOneSection) {
    {
        CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
        CAppState state;
        state.ReadSettings(store);
        state.WriteSettings(store);
        // The print preview's page count goes under "Settings", which is the same section.
        store.WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("PreviewPages"), 2);
        EXPECT_EQ(store.GetProfileInt(QStringLiteral("SETTINGS"), QStringLiteral("previewpages"), 0), 2);
    }
    QSettings raw(ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{QStringLiteral("settings")});
    EXPECT_EQ(raw.value(QStringLiteral("settings/PreviewPages")).toInt(), 2);
    EXPECT_EQ(raw.value(QStringLiteral("settings/nLength")).toInt(), 8);
}

TEST_F(AppStateTest, AFileWrittenWithOtherCaseIsReadAndKeptAsOneSection) {
    WriteFileText("[Settings]\nPreviewPages=1\nNLENGTH=12\nbopenmru=5\n");
    CAppState state = ReadBack();
    EXPECT_EQ(state.m_nLength, 12);
    EXPECT_EQ(state.m_bOpenMRU, 5);
    state.m_nLength = 14;
    Write(state);
    QSettings raw(ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{QStringLiteral("Settings")});
    raw.beginGroup(QStringLiteral("Settings"));
    EXPECT_EQ(raw.childKeys().size(), 13) << raw.childKeys().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(raw.value(QStringLiteral("NLENGTH")).toInt(), 14);
    EXPECT_EQ(raw.value(QStringLiteral("PreviewPages")).toInt(), 1);
}

TEST_F(AppStateTest, AFlagKeepsTheIntegerItHolds) {
    WriteFileText("[settings]\nbOpenMRU=5\nbMixedCase=-1\n");
    const CAppState state = ReadBack();
    EXPECT_EQ(state.m_bOpenMRU, 5);
    EXPECT_EQ(state.m_bMixedCase, -1);
    Write(state);
    EXPECT_EQ(ReadBack().m_bOpenMRU, 5);
}

TEST_F(AppStateTest, AnUnreadableIntegerGivesTheDefault) {
    WriteFileText("[settings]\nnLength=abc\nbMixedCase=\nbNumbers=1.5\nbHidePswd=99999999999\nbPuncuation= 0 \n");
    EXPECT_EQ(IntegersOf(ReadBack()), (std::vector<int>{1, 1, 0, 0, 8, 1, 1}));
}

TEST_F(AppStateTest, TextsComeBackAsTheyWentIn) {
    const std::string texts[] = {"123",
                                 "a,b,c",
                                 " leading and trailing ",
                                 "x=y",
                                 "semi;colon # hash",
                                 "\"quoted\"",
                                 "back\\slash",
                                 "@at",
                                 "[bracket]",
                                 "caf\xC3\xA9 \xE2\x82\xAC", // UTF-8
                                 "\xEF\xBB\xBFSite",         // UTF-8 beginning with U+FEFF
                                 "caf\xE9",                  // a site name from a file written on Windows
                                 "\x80\x81\xFF",
                                 "line\none",
                                 ""};
    for (const std::string& str : texts) {
        CAppState state;
        state.m_strFind = str;
        state.RememberSite(QStringLiteral("/data/sites.lwd"), false, str);
        Write(state);
        const CAppState back = ReadBack();
        EXPECT_EQ(back.m_strFind, str);
        EXPECT_EQ(back.LastSiteOf(QStringLiteral("/data/sites.lwd")), str);
    }
}

TEST_F(AppStateTest, AUtf8TextIsStoredAsPlainText) {
    CAppState state;
    state.m_strFind = "caf\xC3\xA9";
    Write(state);
    QSettings raw(ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("settings/strFind")).typeId(), QMetaType::QString);
    EXPECT_EQ(raw.value(QStringLiteral("settings/strFind")).toString(), QStringLiteral("caf\u00e9"));
}

// The last site is kept per file, under a hash of the file's path, and only for a classic file; the one
// name an earlier version kept for every file (sealed ones too) goes at the next write.
TEST_F(AppStateTest, TheLastSiteIsKeptPerClassicFileAndTheOldOneNameGoes) {
    WriteFileText("[settings]\nstrSiteName=hidden-bank\n");
    CAppState state = ReadBack();
    EXPECT_EQ(state.m_strSiteName, "");
    const QString strA = QStringLiteral("/data/a.lwd");
    const QString strB = QStringLiteral("/data/b.lwd");
    const QString strSealed = QStringLiteral("/data/sealed.lwd");
    state.RememberSite(strA, false, "alpha-site");
    state.RememberSite(strB, false, "bravo-site");
    state.RememberSite(strSealed, true, "sealed-site");
    EXPECT_EQ(state.LastSiteOf(strA), "alpha-site");
    EXPECT_EQ(state.LastSiteOf(QStringLiteral("/data/./a.lwd")), "alpha-site");
    EXPECT_EQ(state.LastSiteOf(strSealed), "sealed-site"); // for this run
    EXPECT_EQ(state.LastSiteOf(QString()), "");
    Write(state);

    const QByteArray text = FileText();
    for (const char* psz : {"hidden-bank", "strSiteName", "sealed-site", "a.lwd", "/data"})
        EXPECT_FALSE(text.contains(psz)) << psz << "\n" << text.constData();
    const CAppState back = ReadBack();
    EXPECT_EQ(back.LastSiteOf(strA), "alpha-site");
    EXPECT_EQ(back.LastSiteOf(strB), "bravo-site");
    EXPECT_EQ(back.LastSiteOf(strSealed), "");
    // A file sealed since its site was kept is kept no more.
    CAppState again = back;
    again.RememberSite(strA, true, "alpha-site");
    Write(again);
    EXPECT_EQ(ReadBack().LastSiteOf(strA), "");
}

// The sites auto-type typed, newest first and each once, per classic file from run to run: ten at most, in their
// order, names of any bytes; a sealed file's only for the run, and the settings name no file.
TEST_F(AppStateTest, TheAutoTypedSitesAreKeptNewestFirstPerClassicFile) {
    const QString strA = QStringLiteral("/data/a.lwd");
    const QString strSealed = QStringLiteral("/data/sealed.lwd");
    CAppState state;
    for (int i = 1; i <= 12; ++i)
        state.NoteAutoTyped(strA, false, "site " + std::to_string(i));
    state.NoteAutoTyped(strA, false, "site 5");
    state.NoteAutoTyped(strA, false, "caf\xE9\nline");
    state.NoteAutoTyped(strSealed, true, "sealed-site");
    const std::vector<std::string> expected = {"caf\xE9\nline", "site 5", "site 12", "site 11", "site 10",
                                               "site 9",        "site 8", "site 7",  "site 6",  "site 4"};
    EXPECT_EQ(state.AutoTypedSitesOf(strA), expected);
    EXPECT_EQ(state.AutoTypedSitesOf(strSealed), std::vector<std::string>{"sealed-site"});
    EXPECT_TRUE(state.AutoTypedSitesOf(QString()).empty());
    state.m_strPortalToken = "token-of-the-desktop";
    Write(state);

    const QByteArray text = FileText();
    for (const char* psz : {"sealed-site", "a.lwd", "/data"})
        EXPECT_FALSE(text.contains(psz)) << psz << "\n" << text.constData();
    CAppState back = ReadBack();
    EXPECT_EQ(back.AutoTypedSitesOf(strA), expected);
    EXPECT_TRUE(back.AutoTypedSitesOf(strSealed).empty());
    EXPECT_EQ(back.m_strPortalToken, "token-of-the-desktop");
    // Sealed since, the file's list is kept no more.
    back.NoteAutoTyped(strA, true, "site 1");
    Write(back);
    EXPECT_TRUE(ReadBack().AutoTypedSitesOf(strA).empty());
}

} // namespace
