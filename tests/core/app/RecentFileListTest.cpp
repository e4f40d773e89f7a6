#include "core/app/RecentFileList.h"
#include "core/platform/ProfileStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(RecentFileList, NewestFirstFourAtMostAndWrittenBack) {
    QTemporaryDir dir;
    CProfileStore store(dir.filePath(QStringLiteral("s.conf")));
    CRecentFileList list;
    for (const char* psz : {"/a.lwd", "/b.lwd", "/c.lwd", "/d.lwd", "/e.lwd", "/c.lwd"})
        list.Add(QString::fromLatin1(psz));
    EXPECT_EQ(list.Entries(), (QStringList{QStringLiteral("/c.lwd"), QStringLiteral("/e.lwd"), QStringLiteral("/d.lwd"),
                                           QStringLiteral("/b.lwd")}));
    list.WriteList(store);
    EXPECT_EQ(store.GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1")),
              QStringLiteral("/c.lwd"));

    list.Remove(0);
    list.Remove(0);
    list.WriteList(store);
    CRecentFileList back;
    back.ReadList(store);
    EXPECT_EQ(back.Entries(), (QStringList{QStringLiteral("/d.lwd"), QStringLiteral("/b.lwd")}));
    bool bFound = true;
    store.GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File3"), {}, &bFound);
    EXPECT_FALSE(bFound) << "an entry that left the list is removed from the store";
}

struct AbbrevCase {
    const char* pszPath;
    const char* pszShown;
};

class RecentFileListAbbreviateName : public ::testing::TestWithParam<AbbrevCase> {};

TEST_P(RecentFileListAbbreviateName, ShortenedToThirtyCharacters) {
    const QString strShown = CRecentFileList::AbbreviateName(QString::fromUtf8(GetParam().pszPath));
    EXPECT_EQ(strShown, QString::fromUtf8(GetParam().pszShown));
    EXPECT_TRUE(strShown.size() <= 30 || !strShown.contains(QLatin1Char('/')));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecentFileListAbbreviateName,
    ::testing::Values(AbbrevCase{"/home/ann/sites.lwd", "/home/ann/sites.lwd"},
                      AbbrevCase{"/home/ann/Documents/private/sites.lwd", "/.../private/sites.lwd"},
                      AbbrevCase{"/home/ann/Documents/a-very-long-folder-name/sites.lwd", "/.../sites.lwd"},
                      AbbrevCase{"/home/ann/an-extremely-long-database-name.lwd",
                                 "an-extremely-long-database-name.lwd"}));

} // namespace
