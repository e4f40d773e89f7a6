// Moving a file to the freedesktop trash under a temporary XDG_DATA_HOME: the file and its info, names
// that are already in the trash, and a file that is not there.
#include "core/platform/Trash.h"
#include "EnvOverride.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

void Write(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Read(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(TrashTest, MovesTheFileWithItsInfoAndKeepsAnEarlierOneOfTheSameName) {
    QTemporaryDir data;
    QTemporaryDir dir;
    const CEnvOverride xdg("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString strPath = dir.filePath(QStringLiteral("sites (conflicted copy 2026-12-10 231500).lwd"));
    for (const QByteArray& bytes : {QByteArray("first"), QByteArray("second")}) {
        Write(strPath, bytes);
        int nError = -1;
        ASSERT_TRUE(MoveToTrash(strPath, nError));
        EXPECT_EQ(nError, 0);
        EXPECT_FALSE(QFile::exists(strPath));
    }
    const QString strTrash = data.filePath(QStringLiteral("Trash"));
    const QString strName = QStringLiteral("sites (conflicted copy 2026-12-10 231500).lwd");
    EXPECT_EQ(Read(strTrash + QStringLiteral("/files/") + strName), "first");
    EXPECT_EQ(Read(strTrash + QStringLiteral("/files/") + strName + QStringLiteral(".2")), "second");
    const QByteArray info = Read(strTrash + QStringLiteral("/info/") + strName + QStringLiteral(".trashinfo"));
    const QRegularExpression shape(
        QStringLiteral("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:"
                       "\\d\\d:\\d\\d\n"));
    const auto match = shape.match(QString::fromLatin1(info));
    ASSERT_TRUE(match.hasMatch()) << info.constData();
    EXPECT_EQ(QUrl::fromPercentEncoding(match.captured(1).toLatin1()), strPath);
    EXPECT_TRUE(match.captured(1).contains(QStringLiteral("%20%28conflicted%20copy"))) << info.constData();
    EXPECT_TRUE(QFile::exists(strTrash + QStringLiteral("/info/") + strName + QStringLiteral(".2.trashinfo")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(strTrash).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A file that is not there is reported, and leaves no info behind.
    int nError = 0;
    EXPECT_FALSE(MoveToTrash(dir.filePath(QStringLiteral("gone.lwd")), nError));
    EXPECT_EQ(nError, ENOENT);
    EXPECT_FALSE(QFile::exists(strTrash + QStringLiteral("/info/gone.lwd.trashinfo")));
}

// A user who never had a trash (no ~/.local/share yet) gets one: the folders are made owner-only and the
// file goes there, not away.
TEST(TrashTest, MakesTheMissingFoldersAboveTheTrashOwnerOnly) {
    QTemporaryDir home;
    QTemporaryDir dir;
    const CEnvOverride homeVar("HOME", QFile::encodeName(home.path()));
    const CEnvOverride xdg("XDG_DATA_HOME", QByteArray());
    const QString strPath = dir.filePath(QStringLiteral("copy.lwd"));
    Write(strPath, "copy");
    int nError = -1;
    bool bDeleted = true;
    ASSERT_TRUE(MoveToTrash(strPath, nError, bDeleted));
    EXPECT_FALSE(bDeleted);
    EXPECT_FALSE(QFile::exists(strPath));
    EXPECT_EQ(Read(home.filePath(QStringLiteral(".local/share/Trash/files/copy.lwd"))), "copy");
    for (const char* pszFolder : {".local", ".local/share", ".local/share/Trash", ".local/share/Trash/info"}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(home.filePath(QLatin1String(pszFolder))).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << pszFolder;
    }
}

// A file on a disk without a trash of ours is deleted, and the caller is told it was deleted.
TEST(TrashTest, AFileOnAnotherDiskIsDeletedAndSaysSo) {
    QTemporaryDir data;
    const CEnvOverride xdg("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QTemporaryDir other(QStringLiteral("/dev/shm/lockwarden-trash-XXXXXX"));
    struct stat stData {
    }, stOther{};
    if (!other.isValid() || ::stat(QFile::encodeName(data.path()).constData(), &stData) != 0 ||
        ::stat(QFile::encodeName(other.path()).constData(), &stOther) != 0 || stData.st_dev == stOther.st_dev)
        GTEST_SKIP() << "no second file system to try";
    const QString strPath = other.filePath(QStringLiteral("copy.lwd"));
    Write(strPath, "copy");
    int nError = -1;
    bool bDeleted = false;
    ASSERT_TRUE(MoveToTrash(strPath, nError, bDeleted));
    EXPECT_TRUE(bDeleted);
    EXPECT_FALSE(QFile::exists(strPath));
    EXPECT_FALSE(QFile::exists(data.filePath(QStringLiteral("Trash/info/copy.lwd.trashinfo"))));
}

} // namespace
