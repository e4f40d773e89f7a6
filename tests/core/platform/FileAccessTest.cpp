// The save as an ordinary user meets it in a shared folder: a child process that is not root (it gives
// root up when the tests run as root) saves, so the folder's and the file's permissions apply.

#include "core/platform/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
// Who SaveAsUser saves as, when the tests run as root.
constexpr uid_t kSaver = kNobody;

QByteArray Native(const QString& strPath) {
    return QFile::encodeName(strPath);
}

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct CSaveResult {
    bool bRan = false; // the child could take the user it was asked to be
    bool bSaved = false;
    QString strError;
};

// Saves bytes to strPath from a child process. As root the child becomes nobody, with extraGroup (when
// not 0) as its one supplementary group; otherwise it stays who it is. before runs in the child first.
CSaveResult SaveAsUser(const QString& strPath, const QByteArray& bytes, gid_t extraGroup,
                       const std::function<void()>& before = {}, bool bKeepBackup = false) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0) {
            const int nGroups = extraGroup != 0 ? 1 : 0;
            if (::setgroups(static_cast<std::size_t>(nGroups), &extraGroup) != 0 || ::setgid(kNoGroup) != 0 ||
                ::setuid(kNobody) != 0)
                ::_exit(3);
        }
        if (before)
            before();
        QString strError;
        const bool bSaved = FileAccess::SaveFileAtomically(strPath, std::string_view(bytes.constData(), bytes.size()),
                                                           strError, bKeepBackup);
        const QByteArray error = strError.toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(fds[1], error.constData(), static_cast<std::size_t>(error.size()));
        ::_exit(bSaved ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray error;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        error.append(buf, n);
    ::close(fds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    CSaveResult result;
    result.bRan = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) != 3;
    result.bSaved = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
    result.strError = QString::fromUtf8(error);
    return result;
}

class FileAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // The child must be able to reach the folder.
        ASSERT_EQ(::chmod(Native(m_dir.path()).constData(), 0755), 0);
        m_strShared = m_dir.filePath(QStringLiteral("shared"));
        ASSERT_TRUE(QDir().mkdir(m_strShared));
        m_strPath = m_strShared + QStringLiteral("/sites.lwd");
    }
    void TearDown() override { ::chmod(Native(m_strShared).constData(), 0755); }
    // The file at m_strPath. As root it belongs to uid: root for a save in this process, kSaver for one by
    // SaveAsUser, whose child then saves its own file.
    void MakeFile(const QByteArray& bytes, unsigned nMode, gid_t gid = 0, uid_t uid = 0) {
        QFile file(m_strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
        file.close();
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(Native(m_strPath).constData(), uid, gid), 0);
        }
        ASSERT_EQ(::chmod(Native(m_strPath).constData(), nMode), 0);
    }
    struct stat Stat() const {
        struct stat st {};
        ::stat(Native(m_strPath).constData(), &st);
        return st;
    }
    QStringList Entries() const {
        return QDir(m_strShared).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
    QString m_strShared;
    QString m_strPath;
};

// Nobody may add a file to the folder, but the file itself is writable: the save writes it in place,
// longer or shorter than before, and the file stays the same file with its owner, group and mode.
TEST_F(FileAccessTest, FolderThatRefusesNewFilesGetsTheFileWrittenInPlace) {
    const QByteArray kLong(5000, 'L');
    const QByteArray kShort("short contents");
    for (const auto& [before, after] : {std::pair{kShort, kLong}, std::pair{kLong, kShort}}) {
        SCOPED_TRACE(std::to_string(before.size()) + " bytes to " + std::to_string(after.size()));
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0755), 0);
        MakeFile(before, 0666, 0, kSaver);
        const struct stat old = Stat();
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0555), 0);

        const CSaveResult result = SaveAsUser(m_strPath, after, 0);

        ASSERT_TRUE(result.bRan);
        EXPECT_TRUE(result.bSaved) << result.strError.toStdString();
        EXPECT_EQ(result.strError, QString());
        EXPECT_EQ(ReadFile(m_strPath), after);
        const struct stat now = Stat();
        EXPECT_EQ(now.st_ino, old.st_ino);
        EXPECT_EQ(now.st_uid, old.st_uid);
        EXPECT_EQ(now.st_gid, old.st_gid);
        EXPECT_EQ(now.st_mode & 07777, 0666u);
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("sites.lwd")});
    }
}

// The replaced version stays as NAME.lwd.bak, owner-only: a hard link to an owner-only file, a copy of any
// other (a link would share its mode), the file itself keeping its own mode. The next save replaces it;
// no temporary file is left, and without the backup none is made.
TEST_F(FileAccessTest, BackupKeepsTheReplacedVersionOwnerOnly) {
    const QString strBak = m_strPath + QStringLiteral(".bak");
    for (const unsigned nMode : {0600u, 0644u, 0660u}) {
        SCOPED_TRACE(nMode);
        QFile::remove(strBak);
        MakeFile("first", nMode);
        const struct stat first = Stat();
        QString strError;
        ASSERT_TRUE(FileAccess::SaveFileAtomically(m_strPath, "second", strError, true)) << strError.toStdString();
        EXPECT_EQ(ReadFile(m_strPath), QByteArray("second"));
        EXPECT_EQ(Stat().st_mode, S_IFREG | nMode);
        EXPECT_EQ(ReadFile(strBak), QByteArray("first"));
        struct stat bak {};
        ASSERT_EQ(::stat(Native(strBak).constData(), &bak), 0);
        EXPECT_EQ(bak.st_mode, S_IFREG | 0600u);
        EXPECT_EQ(bak.st_ino == first.st_ino, nMode == 0600u);
        EXPECT_EQ(bak.st_nlink, 1u);

        ASSERT_TRUE(FileAccess::SaveFileAtomically(m_strPath, "third", strError, true)) << strError.toStdString();
        EXPECT_EQ(ReadFile(m_strPath), QByteArray("third"));
        EXPECT_EQ(ReadFile(strBak), QByteArray("second"));
        ASSERT_EQ(::stat(Native(strBak).constData(), &bak), 0);
        EXPECT_EQ(bak.st_mode, S_IFREG | 0600u);
        EXPECT_EQ(Entries(), (QStringList{QStringLiteral("sites.lwd"), QStringLiteral("sites.lwd.bak")}));
    }
    QFile::remove(strBak);
    QString strError;
    ASSERT_TRUE(FileAccess::SaveFileAtomically(m_strPath, "fourth", strError, false));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("sites.lwd")});
    // A new file has no earlier version to keep.
    const QString strNew = m_strShared + QStringLiteral("/new.lwd");
    ASSERT_TRUE(FileAccess::SaveFileAtomically(strNew, "new", strError, true));
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("new.lwd"), QStringLiteral("sites.lwd")}));
}

// A save that fails, for whatever reason and at whatever step, leaves the file and its backup exactly as
// they were, and nothing beside them.
TEST_F(FileAccessTest, FailedSaveWithBackupLeavesBothFilesAsTheyWere) {
    const QString strBak = m_strPath + QStringLiteral(".bak");
    const QByteArray kBig(64 * 1024, 'B');
    const auto limitFileSize = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    struct Case {
        const char* pszName;
        QByteArray old;
        QByteArray fresh;
        unsigned nFolderMode;
        bool bLock;
        std::function<void()> before;
        QString strError;
    };
    const QString strNotKept =
        QStringLiteral("The file was not replaced: its previous version could not be kept as sites.lwd.bak.\n\n%1");
    const Case cases[] = {
        {"the new version does not fit", "old", kBig, 0777, false, limitFileSize, QStringLiteral("File too large")},
        {"the backup's copy does not fit", kBig, "new", 0777, false, limitFileSize,
         strNotKept.arg(QStringLiteral("File too large"))},
        {"a reader holds the file",
         "old",
         "new",
         0777,
         true,
         {},
         QStringLiteral("Another program is reading the file")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0755), 0);
        {
            QFile bak(strBak);
            ASSERT_TRUE(bak.open(QIODevice::WriteOnly | QIODevice::Truncate));
            bak.write("the backup before");
        }
        ASSERT_EQ(::chmod(Native(strBak).constData(), 0600), 0);
        MakeFile(c.old, 0666, 0, kSaver);
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), c.nFolderMode), 0);
        const int fd = c.bLock ? ::open(Native(m_strPath).constData(), O_RDONLY | O_CLOEXEC) : -1;
        if (c.bLock) {
            ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
        }

        const CSaveResult result = SaveAsUser(m_strPath, c.fresh, 0, c.before, true);
        if (fd >= 0)
            ::close(fd);

        ASSERT_TRUE(result.bRan);
        EXPECT_FALSE(result.bSaved);
        EXPECT_EQ(result.strError, c.strError);
        EXPECT_EQ(ReadFile(m_strPath), c.old);
        EXPECT_EQ(ReadFile(strBak), QByteArray("the backup before"));
        EXPECT_EQ(Entries(), (QStringList{QStringLiteral("sites.lwd"), QStringLiteral("sites.lwd.bak")}));
    }
}

// A folder that refuses new files still gets its file written in place. A backup already there (the
// saver's) takes the old version in place, owner-only; without one the save says the old version is gone.
TEST_F(FileAccessTest, FolderThatRefusesNewFilesKeepsTheBackupInPlaceOrSaysSo) {
    const QString strBak = m_strPath + QStringLiteral(".bak");
    for (const bool bBackupThere : {true, false}) {
        SCOPED_TRACE(bBackupThere ? "a backup there" : "no backup");
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0755), 0);
        QFile::remove(strBak);
        if (bBackupThere) {
            QFile bak(strBak);
            ASSERT_TRUE(bak.open(QIODevice::WriteOnly));
            bak.write("a much longer backup from before");
            bak.close();
            ASSERT_EQ(::chmod(Native(strBak).constData(), 0644), 0);
            if (::geteuid() == 0) {
                ASSERT_EQ(::chown(Native(strBak).constData(), kNobody, kNoGroup), 0);
            }
        }
        MakeFile("old", 0666, 0, kSaver);
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0555), 0);

        const CSaveResult result = SaveAsUser(m_strPath, "new", 0, {}, true);

        ASSERT_TRUE(result.bRan);
        EXPECT_TRUE(result.bSaved) << result.strError.toStdString();
        EXPECT_EQ(ReadFile(m_strPath), QByteArray("new"));
        if (bBackupThere) {
            EXPECT_EQ(result.strError, QString());
            EXPECT_EQ(ReadFile(strBak), QByteArray("old"));
            struct stat bak {};
            ASSERT_EQ(::stat(Native(strBak).constData(), &bak), 0);
            EXPECT_EQ(bak.st_mode, S_IFREG | 0600u);
            EXPECT_EQ(Entries(), (QStringList{QStringLiteral("sites.lwd"), QStringLiteral("sites.lwd.bak")}));
        } else {
            EXPECT_EQ(result.strError, QStringLiteral("The file was saved in place, but its previous version could "
                                                      "not be kept as sites.lwd.bak.\n\nPermission denied"));
            EXPECT_EQ(Entries(), QStringList{QStringLiteral("sites.lwd")});
        }
    }
}

// In place, the old contents are only touched once the new ones have room: a file-size limit (as a full
// disk or a quota) fails the save with the file as it was. A reader's lock is respected there too.
TEST_F(FileAccessTest, InPlaceWriteFailsBeforeTouchingTheFile) {
    const QByteArray kOld("the old contents");
    const QByteArray kNew(64 * 1024, 'N');
    MakeFile(kOld, 0666, 0, kSaver);
    ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0555), 0);

    const CSaveResult limited = SaveAsUser(m_strPath, kNew, 0, [] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(limited.bRan);
    EXPECT_FALSE(limited.bSaved);
    EXPECT_EQ(limited.strError, QStringLiteral("File too large"));
    EXPECT_EQ(ReadFile(m_strPath), kOld);

    const int fd = ::open(Native(m_strPath).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
    const CSaveResult locked = SaveAsUser(m_strPath, kNew, 0);
    ::close(fd);
    ASSERT_TRUE(locked.bRan);
    EXPECT_FALSE(locked.bSaved);
    EXPECT_EQ(locked.strError, QStringLiteral("Another program is reading the file"));
    EXPECT_EQ(ReadFile(m_strPath), kOld);
}

// The user's file shared with a group in a group folder: a member of the file's group keeps the group, so
// the others of the group can still read and write it.
TEST_F(FileAccessTest, GroupOwnedSharedFileKeepsItsGroup) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the saver a group";
    constexpr gid_t kShared = 4242;
    ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0777), 0);
    MakeFile("old", 0664, kShared, kSaver);

    const CSaveResult result = SaveAsUser(m_strPath, "new", kShared);

    ASSERT_TRUE(result.bRan);
    EXPECT_TRUE(result.bSaved) << result.strError.toStdString();
    EXPECT_EQ(ReadFile(m_strPath), QByteArray("new"));
    const struct stat st = Stat();
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kShared);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
}

// A file another user owns is never written, whatever its mode and the folder's allow: not at the path, not
// through a link put there, not in place in a folder that takes no new files. The message names the owner.
// (As root the file is root's and nobody saves; root in turn owns nothing of nobody's.)
TEST_F(FileAccessTest, AFileOfAnotherUserIsNeverWritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another owner";
    const QString strElsewhere = m_dir.filePath(QStringLiteral("theirs.lwd"));
    const struct {
        const char* pszWhat;
        bool bLink;
        unsigned nFolderMode;
    } cases[] = {
        {"the file itself", false, 0777},
        {"a link to it", true, 0777},
        {"the file in a folder that takes no new files", false, 0555},
        {"a link in a sticky shared folder", true, 01777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0755), 0);
        QFile::remove(m_strPath);
        QString strTheirs = m_strPath;
        if (c.bLink) {
            strTheirs = strElsewhere;
            QFile::remove(strTheirs);
            ASSERT_EQ(::symlink(Native(strTheirs).constData(), Native(m_strPath).constData()), 0);
            ASSERT_EQ(::lchown(Native(m_strPath).constData(), kSaver, kNoGroup), 0);
        }
        {
            QFile file(strTheirs);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("theirs");
        }
        ASSERT_EQ(::chmod(Native(strTheirs).constData(), 0666), 0);
        ASSERT_EQ(::chmod(Native(m_strShared).constData(), c.nFolderMode), 0);

        const CSaveResult result = SaveAsUser(m_strPath, "mine", 0, {}, true);

        ASSERT_TRUE(result.bRan);
        EXPECT_FALSE(result.bSaved);
        EXPECT_EQ(result.strError, QStringLiteral("This file belongs to another user (root); it was not written."));
        EXPECT_EQ(ReadFile(strTheirs), QByteArray("theirs"));
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("sites.lwd")});
    }
    // Nor does root write into nobody's file.
    ASSERT_EQ(::chmod(Native(m_strShared).constData(), 0755), 0);
    QFile::remove(m_strPath);
    MakeFile("theirs", 0600, kNoGroup, kNobody);
    QString strError;
    EXPECT_FALSE(FileAccess::SaveFileAtomically(m_strPath, "mine", strError));
    EXPECT_EQ(strError, QStringLiteral("This file belongs to another user (nobody); it was not written."));
    EXPECT_EQ(ReadFile(m_strPath), QByteArray("theirs"));
}

// In a sticky shared folder another user's file under the backup's name cannot be replaced: the save
// happens, the backup's temporary copy is removed, and the caller hears that no backup was kept.
TEST_F(FileAccessTest, ABackupThatCannotTakeItsNameIsRemovedAndSaidSo) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another owner";
    const QString strBak = m_strPath + QStringLiteral(".bak");
    {
        QFile bak(strBak);
        ASSERT_TRUE(bak.open(QIODevice::WriteOnly));
        bak.write("someone else's");
    }
    ASSERT_EQ(::chmod(Native(strBak).constData(), 0644), 0);
    MakeFile("old", 0600, kNoGroup, kSaver);
    ASSERT_EQ(::chmod(Native(m_strShared).constData(), 01777), 0);

    const CSaveResult result = SaveAsUser(m_strPath, "new", 0, {}, true);

    ASSERT_TRUE(result.bRan);
    EXPECT_TRUE(result.bSaved) << result.strError.toStdString();
    EXPECT_EQ(result.strError, QStringLiteral("The file was saved, but no backup of its previous version was kept: "
                                              "sites.lwd.bak could not be replaced.\n\nOperation not permitted"));
    EXPECT_EQ(ReadFile(m_strPath), QByteArray("new"));
    EXPECT_EQ(ReadFile(strBak), QByteArray("someone else's"));
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("sites.lwd"), QStringLiteral("sites.lwd.bak")}));
}

} // namespace
