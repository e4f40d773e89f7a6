#include "EnvOverride.h"

#include "core/platform/DesktopRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDesktopEntry =
    QStringLiteral("applications/") + QLatin1String(kDesktopAppId) + QStringLiteral(".desktop");
const QString kMimePackage = QStringLiteral("mime/packages/lockwarden-mime.xml");
const QString kAppIcon = QStringLiteral("icons/hicolor/scalable/apps/lockwarden.svg");
const QString kDocumentIcon = QStringLiteral("icons/hicolor/scalable/mimetypes/application-x-lockwarden.svg");

const QByteArray kOurMimePackage = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-lockwarden"><comment>Warden Document</comment><glob pattern="*.lwd"/></mime-type>
</mime-info>
)";
const QByteArray kOtherMimePackage = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-other"><comment>Other</comment><glob pattern="*.oth"/></mime-type>
</mime-info>
)";

class DesktopRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        m_strData = m_tmp.filePath(QStringLiteral("home/.local/share"));
        m_strConfig = m_tmp.filePath(QStringLiteral("home/.config"));
        m_strSettings = m_strConfig + QStringLiteral("/Fernhollow/Lockwarden.conf");
    }

    static void Put(const QString& strPath, const QByteArray& bytes = "x") {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(strPath).absolutePath()));
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    void PutData(const QString& strRelative, const QByteArray& bytes = "x") const { Put(Data(strRelative), bytes); }
    QString Data(const QString& strRelative) const { return m_strData + QLatin1Char('/') + strRelative; }
    bool DataExists(const QString& strRelative) const {
        const QFileInfo info(Data(strRelative));
        return info.exists() || info.isSymLink();
    }
    QByteArray ReadData(const QString& strRelative) const {
        QFile file(Data(strRelative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void PutEverythingInstalled() const {
        for (const QString& s : {kDesktopEntry, kMimePackage, kAppIcon, kDocumentIcon})
            PutData(s);
        Put(m_strSettings, "[settings]\nnLength=8\n");
    }
    bool Remove() const { return RemoveUserRegistration(m_strData, m_strSettings); }

    static bool Run(const QString& strTool, const QStringList& args) {
        const QString strProgram = QStandardPaths::findExecutable(strTool);
        QProcess process;
        process.start(strProgram, args);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir m_tmp;
    QString m_strData;
    QString m_strConfig;
    QString m_strSettings;
};

TEST_F(DesktopRegistrationTest, RemovesWhatAPerUserInstallPutThereAndNothingElse) {
    PutEverythingInstalled();
    PutData(QStringLiteral("icons/hicolor/48x48/apps/lockwarden.svg"));
    // Neighbours that only look related.
    const QStringList neighbours = {
        QStringLiteral("applications/org.example.Other.desktop"),
        QStringLiteral("applications/lockwarden.desktop"),
        QStringLiteral("mime/packages/other.xml"),
        QStringLiteral("icons/hicolor/scalable/apps/other.svg"),
        QStringLiteral("icons/hicolor/48x48/apps/lockwarden.png"),
        QStringLiteral("icons/Adwaita/scalable/apps/lockwarden.svg"),
    };
    for (const QString& s : neighbours)
        PutData(s);
    const QString strOtherSettings = m_strConfig + QStringLiteral("/Fernhollow/Other.conf");
    Put(strOtherSettings);

    EXPECT_TRUE(Remove());

    for (const QString& s : {kDesktopEntry, kMimePackage, kAppIcon, kDocumentIcon,
                             QStringLiteral("icons/hicolor/48x48/apps/lockwarden.svg")})
        EXPECT_FALSE(DataExists(s)) << s.toStdString();
    for (const QString& s : neighbours)
        EXPECT_TRUE(DataExists(s)) << s.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_strSettings));
    EXPECT_TRUE(QFileInfo::exists(strOtherSettings)) << "the company folder is shared with other programs";
}

TEST_F(DesktopRegistrationTest, RemovesTheCompanyFolderWhenItIsLeftEmpty) {
    Put(m_strSettings);
    EXPECT_TRUE(Remove());
    EXPECT_FALSE(QFileInfo::exists(m_strConfig + QStringLiteral("/Fernhollow")));
    EXPECT_TRUE(QFileInfo(m_strConfig).isDir());
}

TEST_F(DesktopRegistrationTest, NothingInstalledIsSuccessAndCreatesNothing) {
    EXPECT_TRUE(Remove());
    EXPECT_FALSE(QFileInfo::exists(m_strData));
    EXPECT_FALSE(QFileInfo::exists(m_strConfig));
}

TEST_F(DesktopRegistrationTest, RemovesLinksButNotWhatTheyPointAt) {
    const QString strTarget = m_tmp.filePath(QStringLiteral("my-own.desktop"));
    Put(strTarget, "[Desktop Entry]\n");
    ASSERT_TRUE(QDir().mkpath(Data(QStringLiteral("applications"))));
    ASSERT_TRUE(QFile::link(strTarget, Data(kDesktopEntry)));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Data(kAppIcon)).absolutePath()));
    ASSERT_TRUE(QFile::link(m_tmp.filePath(QStringLiteral("gone.svg")), Data(kAppIcon)));

    EXPECT_TRUE(Remove());

    EXPECT_FALSE(DataExists(kDesktopEntry));
    EXPECT_FALSE(DataExists(kAppIcon)) << "a dangling link is removed too";
    EXPECT_TRUE(QFileInfo::exists(strTarget));
}

TEST_F(DesktopRegistrationTest, ReportsAFileThatStaysAndStillRemovesTheRest) {
    PutEverythingInstalled();
    // A folder where the desktop entry should be cannot be removed as a file (and is not ours to empty).
    ASSERT_TRUE(QFile::remove(Data(kDesktopEntry)));
    PutData(kDesktopEntry + QStringLiteral("/keep.txt"));

    EXPECT_FALSE(Remove());

    EXPECT_TRUE(DataExists(kDesktopEntry + QStringLiteral("/keep.txt")));
    for (const QString& s : {kMimePackage, kAppIcon, kDocumentIcon})
        EXPECT_FALSE(DataExists(s)) << s.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_strSettings));
}

// The generated files of the MIME database keep the type alive until the database is rebuilt, also when a
// rebuild failed after an earlier removal of the package.
TEST_F(DesktopRegistrationTest, RebuildsTheMimeDatabaseWithoutTheType) {
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    for (const bool bPackageAlreadyGone : {false, true}) {
        SCOPED_TRACE(bPackageAlreadyGone ? "package already gone" : "package present");
        PutData(kMimePackage, kOurMimePackage);
        PutData(QStringLiteral("mime/packages/other.xml"), kOtherMimePackage);
        ASSERT_TRUE(Run(QStringLiteral("update-mime-database"), {Data(QStringLiteral("mime"))}));
        ASSERT_TRUE(DataExists(QStringLiteral("mime/application/x-lockwarden.xml")));
        if (bPackageAlreadyGone) {
            ASSERT_TRUE(QFile::remove(Data(kMimePackage)));
        }

        EXPECT_TRUE(Remove());

        EXPECT_FALSE(DataExists(QStringLiteral("mime/application/x-lockwarden.xml")));
        const QByteArray globs = ReadData(QStringLiteral("mime/globs2"));
        EXPECT_FALSE(globs.contains("*.lwd"));
        EXPECT_TRUE(globs.contains("*.oth"));
    }
}

TEST_F(DesktopRegistrationTest, RebuildsTheDesktopCacheWithoutTheEntry) {
    if (QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty())
        GTEST_SKIP() << "update-desktop-database is not installed";
    PutData(kDesktopEntry, "[Desktop Entry]\nType=Application\nName=Lockwarden\nExec=lockwarden %f\n"
                           "MimeType=application/x-lockwarden;\n");
    PutData(QStringLiteral("applications/org.example.Other.desktop"),
            "[Desktop Entry]\nType=Application\nName=Other\nExec=other %f\nMimeType=application/x-lockwarden;\n");
    ASSERT_TRUE(Run(QStringLiteral("update-desktop-database"), {Data(QStringLiteral("applications"))}));
    ASSERT_TRUE(ReadData(QStringLiteral("applications/mimeinfo.cache")).contains(kDesktopAppId));

    EXPECT_TRUE(Remove());

    const QByteArray cache = ReadData(QStringLiteral("applications/mimeinfo.cache"));
    EXPECT_FALSE(cache.contains(kDesktopAppId));
    EXPECT_TRUE(cache.contains("org.example.Other.desktop"));
}

TEST_F(DesktopRegistrationTest, WithoutArgumentsUsesTheUsersXdgFolders) {
    const CEnvOverride data("XDG_DATA_HOME", QFile::encodeName(m_strData));
    const CEnvOverride config("XDG_CONFIG_HOME", QFile::encodeName(m_strConfig));
    PutEverythingInstalled();

    EXPECT_TRUE(RemoveUserRegistration());

    for (const QString& s : {kDesktopEntry, kMimePackage, kAppIcon, kDocumentIcon})
        EXPECT_FALSE(DataExists(s)) << s.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_strSettings));
}

TEST_F(DesktopRegistrationTest, UserDataFolderFallsBackToTheHomeFolder) {
    const QString strHome = m_tmp.filePath(QStringLiteral("home"));
    const CEnvOverride home("HOME", QFile::encodeName(strHome));
    struct Case {
        QByteArray xdg;
        QString strExpected;
    };
    const Case cases[] = {
        {QFile::encodeName(m_strData + QStringLiteral("-elsewhere")), m_strData + QStringLiteral("-elsewhere")},
        {QByteArray(), strHome + QStringLiteral("/.local/share")},
        {QByteArray("relative/share"), strHome + QStringLiteral("/.local/share")},
    };
    for (const Case& c : cases) {
        const CEnvOverride data("XDG_DATA_HOME", c.xdg);
        EXPECT_EQ(UserDataFolder(), c.strExpected) << c.xdg.toStdString();
    }
}

} // namespace
