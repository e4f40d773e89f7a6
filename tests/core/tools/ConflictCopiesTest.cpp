// The conflict copies of three sync tools are found beside the file; names that only look like them are not.
#include "core/tools/ConflictCopies.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ConflictCopiesTest, TheThreeToolsCopiesAreFoundAndLookAlikesIgnored) {
    const QString strFile = QStringLiteral("sites.lwd");
    const std::vector<std::pair<const char*, bool>> cases = {
        {"sites.sync-conflict-20261210-231500-ABCDEF7.lwd", true},
        {"sites (conflicted copy 2026-12-10 231500).lwd", true},
        {"sites (conflicted copy ann 2026-12-10 231500).lwd", true},
        {"sites (laptop's conflicted copy 2026-12-10).lwd", true},
        {"sites (Ann's MacBook's conflicted copy 2026-12-10 (1)).lwd", true},
        {"sites.lwd", false},
        {"sites (copy).lwd", false},
        {"sites (conflicted copy).lwd", false},
        {"sites (conflicted copy 2026-12-10).lwd", false},
        {"other.sync-conflict-20261210-231500-ABCDEF7.lwd", false},
        {"sitesx.sync-conflict-20261210-231500-ABCDEF7.lwd", false},
        {"sites.sync-conflict-20261210-231500-ABCDEF7.lwd.tmp", false},
        {"sites.sync-conflict-20261210-231500-ABCDEF7.csv", false},
        {"sites.sync-conflict-2026121-231500-ABCDEF7.lwd", false},
        {"sites.sync-conflict-20261210-231500-abcdef7.lwd", false},
        {".syncthing.sites.lwd.tmp", false},
        {"sites (laptop's conflicted copy 2026-12-10).lwd.bak", false},
    };
    for (const auto& [pszName, bCopy] : cases)
        EXPECT_EQ(IsConflictCopyName(strFile, QString::fromUtf8(pszName)), bCopy) << pszName;
    // Characters that mean something in a pattern stand for themselves in the file's own name.
    EXPECT_TRUE(IsConflictCopyName(QStringLiteral("a+b (1).lwd"),
                                   QStringLiteral("a+b (1).sync-conflict-20261210-231500-ABCDEF7.lwd")));
    EXPECT_FALSE(IsConflictCopyName(QStringLiteral("a+b (1).lwd"),
                                    QStringLiteral("aab (1).sync-conflict-20261210-231500-ABCDEF7.lwd")));

    QTemporaryDir dir;
    for (const auto& [pszName, bCopy] : cases) {
        QFile file(dir.filePath(QString::fromUtf8(pszName)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sites (conflicted copy 2026-12-11 000000).lwd")));
    EXPECT_EQ(FindConflictCopies(dir.filePath(strFile)),
              (QStringList{dir.filePath(QStringLiteral("sites (Ann's MacBook's conflicted copy 2026-12-10 (1)).lwd")),
                           dir.filePath(QStringLiteral("sites (conflicted copy 2026-12-10 231500).lwd")),
                           dir.filePath(QStringLiteral("sites (conflicted copy ann 2026-12-10 231500).lwd")),
                           dir.filePath(QStringLiteral("sites (laptop's conflicted copy 2026-12-10).lwd")),
                           dir.filePath(QStringLiteral("sites.sync-conflict-20261210-231500-ABCDEF7.lwd"))}));
}

} // namespace
