#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// An empty database with no password: the banner as a length-prefixed string, an empty check string and a
// zero count.
const QByteArray kEmptyDatabase = QByteArray("\x16Lockwarden Version 1.0", 23) + QByteArray(5, '\0');

TEST(MimeType, DescribesWardenDocuments) {
    const QMimeType type = QMimeDatabase().mimeTypeForName(QStringLiteral("application/x-lockwarden"));
    ASSERT_TRUE(type.isValid());
    EXPECT_EQ(type.comment(), QStringLiteral("Warden Document"));
    EXPECT_EQ(type.iconName(), QStringLiteral("application-x-lockwarden"));
    EXPECT_EQ(type.suffixes(), QStringList{QStringLiteral("lwd")});
}

TEST(MimeType, RecognisesDatabasesByNameAndByContent) {
    struct Case {
        const char* szFileName;
        QByteArray content;
        bool bLockwarden;
    };
    const Case cases[] = {
        {"sites.lwd", kEmptyDatabase, true},
        {"sites.LWD", kEmptyDatabase, true},
        {"renamed.lwd", QByteArray("not a database at all"), true},
        {"no-extension", kEmptyDatabase, true},
        {"no-extension-written-elsewhere", kEmptyDatabase + QByteArray("\x01\x00\x00\x00", 4), true},
        {"sealed-no-extension", QByteArray("\x16Lockwarden Sealed File\x01\x00\x01", 26) + QByteArray(150, '\x5a'),
         true},
        {"banner-in-other-case", QByteArray("\x16lockwarden version 1.0", 23) + QByteArray(5, '\0'), false},
        {"banner-without-length", QByteArray("Lockwarden Version 1.0") + QByteArray(5, '\0'), false},
        {"banner-with-wrong-length", QByteArray("\x17Lockwarden Version 1.0", 23) + QByteArray(5, '\0'), false},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QMimeDatabase db;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szFileName);
        const QString strPath = dir.filePath(QLatin1String(c.szFileName));
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(c.content), c.content.size());
        file.close();
        const QString strName = db.mimeTypeForFile(strPath).name();
        EXPECT_EQ(strName == QStringLiteral("application/x-lockwarden"), c.bLockwarden) << strName.toStdString();
    }
}

} // namespace
