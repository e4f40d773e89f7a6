// The window keeping the file's protection and its changes when it cannot ask: the end of the session with
// the file changed on disk, the file removed while locked, and a file found weaker than it was, while idle
// or in a later run. A real watcher on a temporary folder, the settings in a temporary home.
#include "DocScene.h"
#include "EnvOverride.h"
#include "FormatBytes.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/FileReading.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/app/FileSync.h"
#include "ui/app/LockController.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

using EFileKind = CLockwardenDoc::EFileKind;

const SiteFields kAlpha{"alpha", "https://a.example", "ann", "a-1", ""};
const SiteFields kBeta{"beta", "", "bob", "b-1", ""};
const SiteFields kGamma{"gamma", "", "gus", "g-1", ""};

class LockwardenAppProtectionTest : public ::testing::Test {
protected:
    void TearDown() override { m_pApp.reset(); }

    // The database as another program saves it: a new file renamed over the old one.
    QString Save(const QString& strName, const std::vector<SiteFields>& sites, EFileKind kind = EFileKind::classic,
                 const std::string& strPassword = "pw") {
        const QString strPath = m_dir.filePath(strName);
        PutDatabase(strPath, sites, kind, strPassword);
        return strPath;
    }
    std::vector<SiteFields> OnDisk(const QString& strPath, const std::string& strPassword = "pw") {
        CScriptedPrompts prompts;
        CFileReading reading(prompts);
        EXPECT_TRUE(reading.Open(strPath, strPassword));
        return FieldsOf(reading.Doc().Sites());
    }

    bool Start(const QString& strPath) {
        m_prompts.EnterPassword("pw");
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        const bool bStarted = m_pApp->InitInstance({strPath});
        m_pApp->m_pFileSync->SetSettleInterval(0);
        m_prompts.m_shown.clear();
        return bStarted;
    }
    void Exit() {
        m_pApp->m_pMainFrame->close();
        m_pApp->ExitInstance();
        m_pApp.reset();
    }
    void WaitForDisk() {
        QSignalSpy spy(m_pApp->m_pFileSync, &CFileSync::checked);
        ASSERT_TRUE(spy.wait(5000));
    }
    CLockwardenDoc& Doc() { return *m_pApp->m_pDoc; }
    QString FileNotice() { return m_pApp->m_pMainFrame->MessageBar().TextOf(CMessageBar::ESource::file); }
    QStringList SideCopies() {
        return QDir(m_dir.path()).entryList({QStringLiteral("*.unsaved-*")}, QDir::Files | QDir::Hidden);
    }

    CTempXdgHome m_xdg;
    QTemporaryDir m_dir;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

// SIGTERM (or the log-out) while the file changed on disk and the window has changes of its own: nobody is
// asked; the disk's sites are merged by content and the whole saved, losing neither side.
TEST_F(LockwardenAppProtectionTest, TheSessionsEndMergesAChangeOnDiskAndSavesWithoutAsking) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    ASSERT_TRUE(Start(strPath));
    Doc().AddSite(std::move(MakeSites({kBeta})[0]));
    Save(QStringLiteral("shared.lwd"), {kAlpha, kGamma}); // the other machine
    WaitForDisk();
    ASSERT_TRUE(Doc().IsModified());

    m_pApp->OnEndSession();
    EXPECT_TRUE(m_prompts.m_shown.empty());
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(OnDisk(strPath), (std::vector<SiteFields>{kAlpha, kBeta, kGamma}));
    EXPECT_TRUE(SideCopies().isEmpty());
}

// When the change on disk cannot be merged (another password, which nobody can type now), the file on disk
// stays as it is and the window's changes go to a side copy, owner-only, that opens with their password.
TEST_F(LockwardenAppProtectionTest, TheSessionsEndWritesASideCopyWhenItCannotMerge) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    ASSERT_TRUE(Start(strPath));
    Doc().AddSite(std::move(MakeSites({kBeta})[0]));
    Save(QStringLiteral("shared.lwd"), {kGamma}, EFileKind::classic, "other-pw");
    WaitForDisk();
    QFile disk(strPath);
    ASSERT_TRUE(disk.open(QIODevice::ReadOnly));
    const QByteArray diskBytes = disk.readAll();

    m_pApp->OnEndSession();
    EXPECT_TRUE(m_prompts.m_shown.empty());
    QFile after(strPath);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), diskBytes);
    const QStringList copies = SideCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(copies.front().startsWith(QStringLiteral("shared.lwd.unsaved-"))) << copies.front().toStdString();
    const QString strCopy = m_dir.filePath(copies.front());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(strCopy).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(OnDisk(strCopy), (std::vector<SiteFields>{kAlpha, kBeta}));
}

// A file removed while the window is locked with its records dropped: nothing is unsaved, the status bar
// says the file is gone and where its previous version is, and Exit closes at once.
TEST_F(LockwardenAppProtectionTest, AFileRemovedWhileLockedLeavesNothingToSave) {
    const QString strPath = Save(QStringLiteral("gone.lwd"), {kAlpha});
    QFile::copy(strPath, strPath + QStringLiteral(".bak"));
    ASSERT_TRUE(Start(strPath));
    m_pApp->m_pMainFrame->Locker().OnLock();
    ASSERT_TRUE(Doc().IsLocked());
    ASSERT_FALSE(Doc().IsKeepingLockedRecords());

    ASSERT_TRUE(QFile::remove(strPath));
    WaitForDisk();
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(FileNotice(), QStringLiteral("gone.lwd is gone from disk; gone.lwd.bak holds its previous version."));
    EXPECT_TRUE(m_pApp->m_pMainFrame->close());
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

// The window's memory of the file's kind: a sealed file replaced by a classic one is neither reloaded while
// idle nor opened in a later run without the question; No leaves the window as it was.
TEST_F(LockwardenAppProtectionTest, AWeakerFileIsAskedAboutWhileIdleAndInALaterRun) {
    const QString strPath = Save(QStringLiteral("s.lwd"), {kAlpha}, EFileKind::sealed);
    ASSERT_TRUE(Start(strPath));
    ASSERT_EQ(Doc().GetFileKind(), EFileKind::sealed);
    const QString strQuestion = QStringLiteral("s.lwd was a sealed file when this program last read or wrote it; "
                                               "the file there now is a classic file with a file password.\n\nIf "
                                               "you did not change it yourself, someone may want your sites saved "
                                               "under weaker protection.\n\nOpen it anyway?");

    Save(QStringLiteral("s.lwd"), {kAlpha, kGamma}, EFileKind::classic);
    WaitForDisk();
    EXPECT_EQ(m_prompts.Messages(), QStringList{strQuestion}); // No, the default
    EXPECT_EQ(Doc().GetFileKind(), EFileKind::sealed);
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha}));
    Exit();

    // The next run, the file named on the command line: the same question, and No opens nothing.
    m_prompts.m_shown.clear();
    m_prompts.EnterPassword("pw");
    m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
    m_pApp->InitInstance({strPath});
    EXPECT_EQ(m_prompts.Messages(), QStringList{strQuestion});
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    EXPECT_TRUE(Doc().Sites().empty());
}

} // namespace
