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

} // namespace
