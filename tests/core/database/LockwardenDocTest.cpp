// The site document driven the way the program drives it: through the single-document template, with
// real files in a temporary folder, the application state holding the file password, and scripted
// answers standing in for the user.

#include "core/database/LockwardenDoc.h"
#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/framework/DocTemplate.h"
#include "core/resources/Resource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using Shown = CScriptedPrompts::Shown;

const QString kBadPassword = QStringLiteral("Bad file password !");
const QString kNotOurs = QStringLiteral("This is not an Lockwarden file;");
const QString kDamaged = QStringLiteral("Unexpected file format.");
const QString kEndOfFile = QStringLiteral("The end of an unnamed file was reached before all of it could be read.");
const QString kDiskChanged = QStringLiteral("The file on disk has changed!\n\nOverwrite with current document?");
constexpr unsigned kExclamation = MB_ICONEXCLAMATION | MB_OK;
constexpr unsigned kStop = MB_ICONSTOP | MB_OK;
constexpr unsigned kDiskChangedType = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
constexpr unsigned kAskToSaveType = MB_YESNOCANCEL | MB_ICONQUESTION;
const QString kTrimmed =
    QStringLiteral("Blanks before and after the password are removed.\n\nType it without them to open the file.");
constexpr unsigned kTrimmedType = MB_OKCANCEL | MB_ICONINFORMATION;

// A record whose fields all derive from its name, so a list of names describes a whole database.
std::unique_ptr<CSiteInfo> Site(const std::string& strName) {
    return std::make_unique<CSiteInfo>(strName, "https://" + strName + ".example", "user-" + strName, "pswd-" + strName,
                                       "notes on " + strName);
}

CSiteArray Sites(const std::vector<std::string>& names) {
    CSiteArray sites;
    for (const std::string& strName : names)
        sites.push_back(Site(strName));
    return sites;
}

std::vector<std::string> NamesOf(const CSiteArray& sites) {
    std::vector<std::string> names;
    for (const auto& p : sites)
        names.push_back(p->m_strSite);
    return names;
}

QByteArray BytesOfSites(const std::string& strPassword, const CSiteArray& sites) {
    return WriteDatabase(strPassword, sites);
}

QByteArray DatabaseBytes(const std::string& strPassword, const std::vector<std::string>& names) {
    return BytesOfSites(strPassword, Sites(names));
}

void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << strPath.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QByteArray Native(const QString& strPath) {
    return QFile::encodeName(strPath);
}

// What another program does when it rewrites a file: a new modification time, in another second.
void SetFileTime(const QString& strPath, time_t tTime) {
    const timeval times[2] = {{tTime, 0}, {tTime, 0}};
    ASSERT_EQ(::utimes(Native(strPath).constData(), times), 0);
}

time_t FileTime(const QString& strPath) {
    struct stat st {};
    return ::stat(Native(strPath).constData(), &st) == 0 ? st.st_mtime : -1;
}

unsigned FileMode(const QString& strPath) {
    struct stat st {};
    return ::stat(Native(strPath).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

constexpr time_t kEarlier = 1'600'000'000;

// Everything the program puts around the document: the shared state, the prompts, the template, and
// a count of the view's rebuilds. It starts the way the program does, with File > New.
struct CScene {
    CAppState app;
    CScriptedPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSingleDocTemplate docTemplate{doc, prompts};
    int nInitialUpdates = 0;
    int nActivations = 0;

    CScene() {
        QObject::connect(&docTemplate, &CSingleDocTemplate::initialUpdate, [this] { ++nInitialUpdates; });
        QObject::connect(&docTemplate, &CSingleDocTemplate::activateFrame, [this] { ++nActivations; });
        docTemplate.OnFileNew();
        nInitialUpdates = 0;
        nActivations = 0;
    }
    std::vector<const CSiteInfo*> Records() const {
        std::vector<const CSiteInfo*> records;
        for (const auto& p : doc.Sites())
            records.push_back(p.get());
        return records;
    }
    // Opens a file whose password is strPassword (no prompt is scripted when it is empty).
    bool Open(const QString& strPath, const std::string& strPassword = {}) {
        if (!strPassword.empty())
            prompts.EnterPassword(strPassword);
        return docTemplate.OpenDocumentFile(strPath);
    }
    void Edit(const std::string& strName) {
        doc.AddSite(Site(strName));
        doc.SetModifiedFlag(true);
    }
    void Forget() {
        prompts.m_shown.clear();
        prompts.m_passwordFieldsShown.clear();
        nInitialUpdates = 0;
        nActivations = 0;
    }
};

// The document and everything the user would notice about it.
struct CSnapshot {
    std::vector<const CSiteInfo*> records;
    QString strTitle;
    QString strPath;
    bool bModified = false;
    std::string strPassword;
    std::int32_t tFileTime = 0;

    explicit CSnapshot(CScene& scene)
        : records(scene.Records()), strTitle(scene.doc.GetTitle()), strPath(scene.doc.GetPathName()),
          bModified(scene.doc.IsModified()), strPassword(scene.doc.GetFilePassword()), tFileTime(scene.doc.FileTime()) {
    }
};

void ExpectSame(const CSnapshot& before, const CSnapshot& after) {
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(after.strTitle, before.strTitle);
    EXPECT_EQ(after.strPath, before.strPath);
    EXPECT_EQ(after.bModified, before.bModified);
    EXPECT_EQ(after.strPassword, before.strPassword);
    EXPECT_EQ(after.tFileTime, before.tFileTime);
}

// Makes write() fail with EFBIG past nBytes, as a full disk or quota would part-way through a save.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        m_bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;
    bool m_bSet = false;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

class LockwardenDocTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& strName) const { return m_dir.filePath(strName); }
    QString Path(const char* pszName) const { return Path(QString::fromUtf8(pszName)); }
    // A database file written by the program's writer, with a known time.
    QString MakeFile(const char* pszName, const std::string& strPassword, const std::vector<std::string>& names) {
        const QString strPath = Path(pszName);
        WriteFile(strPath, DatabaseBytes(strPassword, names));
        SetFileTime(strPath, kEarlier);
        return strPath;
    }
    // The database open when another open is tried; with unsaved changes, which the user declines to save.
    QString OpenCurrent(CScene& scene, bool bModified) {
        const QString strCurrent = MakeFile("current.lwd", "old", {"xray", "yankee"});
        EXPECT_TRUE(scene.Open(strCurrent, "old"));
        if (bModified) {
            scene.Edit("zulu");
            scene.prompts.AnswerMessage(IDNO);
        }
        scene.Forget();
        return strCurrent;
    }
    // The message boxes of that open after the save question, which is checked on the way.
    static std::vector<Shown> BoxesAfterSaveQuestion(const CScene& scene, bool bModified) {
        std::vector<Shown> boxes = scene.prompts.MessageBoxes();
        if (bModified) {
            EXPECT_FALSE(boxes.empty());
            if (!boxes.empty()) {
                EXPECT_EQ(boxes.front(), (Shown{QStringLiteral("Save changes to current.lwd?"), kAskToSaveType}));
                boxes.erase(boxes.begin());
            }
        }
        return boxes;
    }
    QStringList FolderEntries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

// ---- New ----

TEST_F(LockwardenDocTest, NewDocumentIsUntitledEmptyAndWithoutPassword) {
    CScene scene;
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(scene.doc.GetPathName().isEmpty());
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_TRUE(scene.doc.Sites().empty());
    EXPECT_TRUE(scene.prompts.m_shown.empty());
}

// ---- Open ----

TEST_F(LockwardenDocTest, FileWithoutPasswordOpensWithoutPrompt) {
    const QString strPath = MakeFile("plain.lwd", "", {"alpha", "bravo", "charlie"});
    CScene scene;
    scene.doc.SetFileKey(CFileKey::Classic("left over"));
    ASSERT_TRUE(scene.Open(strPath));

    EXPECT_TRUE(scene.prompts.m_shown.empty());
    EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"alpha", "bravo", "charlie"}));
    EXPECT_EQ(scene.doc.Sites()[1]->m_strNotes, "notes on bravo");
    EXPECT_EQ(scene.doc.GetFilePassword(), "");
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("plain.lwd"));
    EXPECT_EQ(scene.doc.GetPathName(), strPath);
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.FileTime(), kEarlier);
    EXPECT_EQ(scene.nInitialUpdates, 1);
}

TEST_F(LockwardenDocTest, WrongPasswordIsReportedOnceAndThePromptShowsTheEntryAgain) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha", "bravo"});
    CScene scene;
    scene.prompts.EnterPassword("wrong");
    scene.prompts.EnterPassword("s3cret");
    ASSERT_TRUE(scene.docTemplate.OpenDocumentFile(strPath));

    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kBadPassword, kExclamation}}));
    EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{"", "wrong"}));
    ASSERT_EQ(scene.prompts.m_shown.size(), 3u);
    EXPECT_EQ(scene.prompts.m_shown[0].strText, QStringLiteral("password:File:  sites.lwd"));
    EXPECT_EQ(scene.prompts.m_shown[2].strText, QStringLiteral("password:File:  sites.lwd"));
    EXPECT_EQ(scene.doc.GetFilePassword(), "s3cret");
    EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"alpha", "bravo"}));
    EXPECT_EQ(scene.doc.Sites()[0]->m_strPswd, "pswd-alpha");
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
}

// The check reads the first two strings through its own 4096-byte buffer under a shared lock: while the
// user types, other readers are welcome and a writer asking for the lock is refused.
TEST_F(LockwardenDocTest, OpenCheckHoldsSharedLockAndReadsOneBuffer) {
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("site number " + std::to_string(i));
    const QString strPath = MakeFile("big.lwd", "s3cret", names);
    ASSERT_GT(QFileInfo(strPath).size(), 4096);
    const QByteArray native = Native(QFileInfo(strPath).canonicalFilePath());

    std::vector<long long> positions;
    bool bWriterRefused = false, bReaderWelcome = false;
    CScene scene;
    scene.prompts.m_onPasswordPrompt = [&] {
        // The check's descriptor and how far it has read.
        DIR* pDir = ::opendir("/proc/self/fd");
        ASSERT_NE(pDir, nullptr);
        while (const dirent* pEntry = ::readdir(pDir)) {
            char target[4096];
            const std::string strLink = std::string("/proc/self/fd/") + pEntry->d_name;
            const ssize_t n = ::readlink(strLink.c_str(), target, sizeof target - 1);
            if (n <= 0 || QByteArray(target, static_cast<qsizetype>(n)) != native)
                continue;
            QFile info(QStringLiteral("/proc/self/fdinfo/") + QString::fromLatin1(pEntry->d_name));
            ASSERT_TRUE(info.open(QIODevice::ReadOnly));
            for (const QByteArray& line : info.readAll().split('\n'))
                if (line.startsWith("pos:"))
                    positions.push_back(line.mid(4).trimmed().toLongLong());
        }
        ::closedir(pDir);

        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        bWriterRefused = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        bReaderWelcome = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
        ::close(fd);
    };
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));

    EXPECT_EQ(positions, (std::vector<long long>{4096}));
    EXPECT_TRUE(bWriterRefused);
    EXPECT_TRUE(bReaderWelcome);
    // And the lock is gone once the file is open.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    EXPECT_EQ(scene.doc.Sites().size(), names.size());
}

// Opens that fail before the load leave the open database as it was, whether it had unsaved changes
// (which the user declined to save) or not.
TEST_F(LockwardenDocTest, FailedOpenLeavesTheOpenDatabaseAsItWas) {
    QByteArray foreign = DatabaseBytes("", {"alpha"});
    foreign.replace(1, 10, "Passwarden");
    QByteArray lowerCase = DatabaseBytes("", {"alpha"});
    lowerCase.replace(1, 22, "lockwarden version 1.0");
    WriteFile(Path("foreign.lwd"), foreign);
    WriteFile(Path("lower-case-banner.lwd"), lowerCase);
    MakeFile("locked.lwd", "s3cret", {"alpha"});
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.lwd"));
    // Another program writing a file holds its lock for the whole test.
    const QString strBusy = MakeFile("busy.lwd", "", {"alpha"});
    const int fdWriter = ::open(Native(strBusy).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fdWriter, 0);
    ASSERT_EQ(::flock(fdWriter, LOCK_EX | LOCK_NB), 0);

    struct Case {
        const char* pszName;
        const char* pszFile;
        std::vector<std::string> entries; // the prompt is cancelled after these
        std::vector<Shown> boxes;
        std::vector<std::string> fieldsShown;
    };
    const QString strMissing = Path("missing.lwd");
    const QString strFolder = Path("folder.lwd");
    const std::vector<Case> cases = {
        {"prompt cancelled", "locked.lwd", {}, {}, {""}},
        {"entry with a trailing space", "locked.lwd", {"s3cret "}, {{kBadPassword, kExclamation}}, {"", "s3cret "}},
        {"entry with a leading space", "locked.lwd", {" s3cret"}, {{kBadPassword, kExclamation}}, {"", " s3cret"}},
        {"foreign banner", "foreign.lwd", {}, {{kNotOurs, kExclamation}}, {}},
        {"banner in other letter case", "lower-case-banner.lwd", {}, {{kNotOurs, kExclamation}}, {}},
        {"missing file", "missing.lwd", {}, {{strMissing + QStringLiteral(" was not found."), kStop}}, {}},
        {"folder given as the file",
         "folder.lwd",
         {},
         {{QStringLiteral("Failed to open document.\n\n") + strFolder + QStringLiteral(": Is a directory"), kStop}},
         {}},
        {"file being written by another program",
         "busy.lwd",
         {},
         {{QStringLiteral("Sharing violation while accessing ") + strBusy + QStringLiteral("."), kStop}},
         {}},
    };
    for (const bool bModified : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.pszName) + (bModified ? ", with unsaved changes" : ""));
            CScene scene;
            OpenCurrent(scene, bModified);
            const CSnapshot before(scene);
            for (const std::string& strEntry : c.entries)
                scene.prompts.EnterPassword(strEntry);
            scene.prompts.CancelPassword();

            EXPECT_FALSE(scene.docTemplate.OpenDocumentFile(Path(c.pszFile)));

            EXPECT_EQ(BoxesAfterSaveQuestion(scene, bModified), c.boxes);
            EXPECT_EQ(scene.prompts.m_passwordFieldsShown, c.fieldsShown);
            ExpectSame(before, CSnapshot(scene));
            EXPECT_EQ(scene.nInitialUpdates, 0);
        }
    }
    ::close(fdWriter);
}

// A file that ends inside its banner or check string: the framework's end-of-file report, the records,
// title and password of the open database kept; the user already declined to save, so it is no longer
// marked modified. A string form this layout never writes ends the open the same way, reported as damage.
TEST_F(LockwardenDocTest, FileEndingInsideItsFirstTwoStringsKeepsTheOpenDatabase) {
    const QByteArray whole = DatabaseBytes("s3cret", {"alpha"});
    struct Case {
        const char* pszName;
        QByteArray bytes;
        Shown box;
    };
    const std::vector<Case> cases = {
        {"empty file", whole.left(0), {kEndOfFile, kStop}},
        {"only the banner's length", whole.left(1), {kEndOfFile, kStop}},
        {"inside the banner", whole.left(12), {kEndOfFile, kStop}},
        {"after the banner", whole.left(23), {kEndOfFile, kStop}},
        {"inside the check string", whole.left(26), {kEndOfFile, kStop}},
        // The 16-bit marker twice over is no string at all.
        {"string form the layout does not use", QByteArray("\xFF\xFE\xFF\xFF\xFE\xFF", 6), {kDamaged, kExclamation}},
    };
    for (const bool bModified : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.pszName) + (bModified ? ", with unsaved changes" : ""));
            WriteFile(Path("truncated.lwd"), c.bytes);
            CScene scene;
            const QString strCurrent = OpenCurrent(scene, bModified);
            const std::vector<const CSiteInfo*> records = scene.Records();

            EXPECT_FALSE(scene.docTemplate.OpenDocumentFile(Path("truncated.lwd")));

            EXPECT_EQ(BoxesAfterSaveQuestion(scene, bModified), std::vector<Shown>{c.box});
            EXPECT_TRUE(scene.prompts.m_passwordFieldsShown.empty());
            EXPECT_EQ(scene.Records(), records);
            EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("current.lwd"));
            EXPECT_EQ(scene.doc.GetPathName(), strCurrent);
            EXPECT_FALSE(scene.doc.IsModified());
            EXPECT_EQ(scene.doc.GetFilePassword(), "old");
        }
    }
}

// Damaged records: what was read is dropped and the program goes on with a new, empty, untitled
// document, whose view is rebuilt.
TEST_F(LockwardenDocTest, DamagedRecordsLeaveANewUntitledDocument) {
    const QByteArray whole = DatabaseBytes("s3cret", {"alpha", "bravo", "charlie"});
    const qsizetype nHeader = 23 + 1 + 6;                                   // banner, check string of "s3cret"
    const qsizetype nFirstTag = nHeader + 4;                                // after the count
    const qsizetype nSecondTag = DatabaseBytes("s3cret", {"alpha"}).size(); // the count has a fixed width
    ASSERT_EQ(whole.mid(nSecondTag, 2), QByteArray("\x01\x80", 2));

    struct Case {
        const char* pszName;
        std::function<QByteArray()> makeBytes;
    };
    const std::vector<Case> cases = {
        {"ends inside the count", [&] { return whole.left(nHeader + 2); }},
        {"ends inside the last record", [&] { return whole.left(whole.size() - 3); }},
        {"count larger than the records", [&] { return QByteArray(whole).replace(nHeader, 1, "\x04"); }},
        {"other class name", [&] { return QByteArray(whole).replace(nFirstTag + 6, 9, "CSiteInfX"); }},
        {"other schema", [&] { return QByteArray(whole).replace(nFirstTag + 2, 1, "\x02"); }},
        {"reference to an undescribed class", [&] { return QByteArray(whole).replace(nSecondTag, 2, "\x02\x80"); }},
        {"null object", [&] { return QByteArray(whole).replace(nFirstTag, 2, QByteArray("\0\0", 2)); }},
    };
    for (const bool bModified : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.pszName) + (bModified ? ", with unsaved changes" : ""));
            WriteFile(Path("damaged.lwd"), c.makeBytes());
            CScene scene;
            OpenCurrent(scene, bModified);
            const std::int32_t tFileTime = scene.doc.FileTime();

            EXPECT_FALSE(scene.Open(Path("damaged.lwd"), "s3cret"));

            EXPECT_EQ(BoxesAfterSaveQuestion(scene, bModified), (std::vector<Shown>{{kDamaged, kExclamation}}));
            EXPECT_TRUE(scene.doc.Sites().empty());
            EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
            EXPECT_TRUE(scene.doc.GetPathName().isEmpty());
            EXPECT_FALSE(scene.doc.IsModified());
            EXPECT_EQ(scene.doc.GetFilePassword(), "");
            EXPECT_EQ(scene.doc.FileTime(), tFileTime);
            EXPECT_EQ(scene.nInitialUpdates, 1);
        }
    }
}

// Another program puts a new file at the path, or takes the file away, while the user types its
// password: what loads is the file whose password passed, read through the descriptor that was checked,
// with that file's time. The next save then sees that the path holds something else.
TEST_F(LockwardenDocTest, FileReplacedWhileThePromptIsUpLoadsTheFileThatWasChecked) {
    struct Case {
        const char* pszName;
        std::function<void(const QString& strPath, const QString& strOther)> act;
        bool bExistsAfter;
    };
    const std::vector<Case> cases = {
        {"renamed over",
         [](const QString& strPath, const QString& strOther) {
             ::rename(Native(strOther).constData(), Native(strPath).constData());
         },
         true},
        {"removed", [](const QString& strPath, const QString&) { QFile::remove(strPath); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const QString strPath = MakeFile("sites.lwd", "old", {"alpha", "bravo"});
        const QString strOther = Path("other.lwd");
        WriteFile(strOther, DatabaseBytes("new", {"xray", "yankee", "zulu"}));
        SetFileTime(strOther, kEarlier + 100);
        CScene scene;
        scene.prompts.m_onPasswordPrompt = [&] { c.act(strPath, strOther); };

        ASSERT_TRUE(scene.Open(strPath, "old"));

        EXPECT_TRUE(scene.prompts.MessageBoxes().empty());
        EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"alpha", "bravo"}));
        EXPECT_EQ(scene.doc.Sites()[1]->m_strPswd, "pswd-bravo");
        EXPECT_EQ(scene.doc.GetFilePassword(), "old");
        EXPECT_EQ(scene.doc.FileTime(), kEarlier);
        EXPECT_EQ(QFileInfo::exists(strPath), c.bExistsAfter);
        if (c.bExistsAfter) {
            scene.doc.SetModifiedFlag(true);
            EXPECT_FALSE(scene.doc.DoFileSave());
            EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDiskChanged, kDiskChangedType}}));
            EXPECT_EQ(ReadFile(strPath), DatabaseBytes("new", {"xray", "yankee", "zulu"}));
        }
        QFile::remove(strPath);
    }
}

// A file password set on Windows holds Windows-1252 bytes, and the prompt gives UTF-8: when the typed
// bytes fail, their Windows-1252 form is tried, and the bytes that passed are the file password.
TEST_F(LockwardenDocTest, WindowsPasswordOpensFromItsTypedCharacters) {
    struct Case {
        const char* pszName;
        std::string strFilePassword; // as the file's check string was made
        std::string strTyped;        // as the prompt gives it
        bool bOpens;
    };
    const std::vector<Case> cases = {
        {"e acute", "caf\xE9", "caf\xC3\xA9", true},
        {"euro sign and ellipsis", "\x80 \x85", "\xE2\x82\xAC \xE2\x80\xA6", true},
        {"UTF-8 password typed as such", "caf\xC3\xA9", "caf\xC3\xA9", true},
        {"character Windows-1252 lacks", "caf?", "caf\xE2\x88\x9A", false},
        {"other letter", "caf\xE9", "caf\xC3\xA8", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const QString strPath = MakeFile("sites.lwd", c.strFilePassword, {"alpha"});
        const QByteArray original = ReadFile(strPath);
        CScene scene;
        scene.prompts.EnterPassword(c.strTyped);

        EXPECT_EQ(scene.docTemplate.OpenDocumentFile(strPath), c.bOpens);

        if (!c.bOpens) {
            EXPECT_EQ(scene.prompts.Messages(), QStringList{kBadPassword});
            continue;
        }
        EXPECT_TRUE(scene.prompts.Messages().isEmpty());
        EXPECT_EQ(scene.doc.GetFilePassword(), c.strFilePassword);
        ASSERT_EQ(scene.doc.Sites().size(), 1u);
        EXPECT_EQ(scene.doc.Sites()[0]->m_strPswd, "pswd-alpha");
        scene.doc.SetModifiedFlag(true);
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_EQ(ReadFile(strPath), original);
    }
}

// A log-out arriving while "Unexpected file format." shows: the document is emptied, its path is still
// the previous file's and the file password already the new file's. No save may run then.
TEST_F(LockwardenDocTest, NoSaveRunsWhileALoadIsUnderWay) {
    const QString strCurrent = MakeFile("current.lwd", "old", {"xray"});
    const QByteArray current = ReadFile(strCurrent);
    const QByteArray whole = DatabaseBytes("new", {"alpha", "bravo"});
    WriteFile(Path("damaged.lwd"), whole.left(whole.size() - 3));
    CScene scene;
    ASSERT_TRUE(scene.Open(strCurrent, "old"));
    scene.Forget();
    bool bSaved = true;
    bool bLoading = false;
    scene.prompts.m_onMessageBox = [&](const QString&) {
        bLoading = scene.doc.IsLoading();
        bSaved = scene.doc.OnSaveDocument(scene.doc.GetPathName());
    };

    EXPECT_FALSE(scene.Open(Path("damaged.lwd"), "new"));

    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDamaged, kExclamation}}));
    EXPECT_TRUE(bLoading);
    EXPECT_FALSE(bSaved);
    EXPECT_EQ(ReadFile(strCurrent), current);
    EXPECT_FALSE(scene.doc.IsLoading());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
}

TEST_F(LockwardenDocTest, OpeningTheOpenFileAgainOnlyBringsItForward) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    scene.Edit("bravo");
    scene.Forget();
    const CSnapshot before(scene);

    EXPECT_TRUE(scene.docTemplate.OpenDocumentFile(strPath));

    EXPECT_TRUE(scene.prompts.m_shown.empty());
    EXPECT_EQ(scene.nActivations, 1);
    ExpectSame(before, CSnapshot(scene));
}

// ---- Save ----

// File times are kept as the low 32 bits of the seconds since 1970, so a time past 2038 still compares
// equal to itself and a save asks nothing.
TEST_F(LockwardenDocTest, FileTimeKeepsTheLow32BitsOfTheSeconds) {
    const time_t tLate = 4'102'444'800; // 2100-01-01
    const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
    SetFileTime(strPath, tLate);
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath));
    EXPECT_EQ(scene.doc.FileTime(), static_cast<std::int32_t>(static_cast<std::uint32_t>(tLate)));
    EXPECT_LT(scene.doc.FileTime(), 0);
    scene.Edit("bravo");
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_TRUE(scene.prompts.MessageBoxes().empty());
}

TEST_F(LockwardenDocTest, SavingOverAFileChangedOnDiskAsksFirst) {
    for (const int nAnswer : {IDYES, IDNO}) {
        SCOPED_TRACE(nAnswer == IDYES ? "answered Yes" : "answered No");
        const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha", "bravo"});
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath, "s3cret"));
        scene.Edit("charlie");
        // Another program rewrites the file a few seconds later.
        const QByteArray theirs = DatabaseBytes("theirs", {"zulu"});
        WriteFile(strPath, theirs);
        SetFileTime(strPath, kEarlier + 7);
        scene.Forget();
        scene.prompts.AnswerMessage(nAnswer);

        const bool bSaved = scene.doc.DoFileSave();

        EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDiskChanged, kDiskChangedType}}));
        if (nAnswer == IDYES) {
            EXPECT_TRUE(bSaved);
            EXPECT_EQ(ReadFile(strPath), DatabaseBytes("s3cret", {"alpha", "bravo", "charlie"}));
            EXPECT_FALSE(scene.doc.IsModified());
            EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
            EXPECT_EQ(scene.doc.FileTime(), static_cast<std::int32_t>(FileTime(strPath)));
        } else {
            EXPECT_FALSE(bSaved);
            EXPECT_EQ(ReadFile(strPath), theirs);
            EXPECT_EQ(FileTime(strPath), kEarlier + 7);
            EXPECT_TRUE(scene.doc.IsModified());
            EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
            EXPECT_EQ(scene.doc.GetPathName(), strPath);
            EXPECT_EQ(scene.doc.FileTime(), kEarlier);
        }
    }
}

// A sync tool puts a new file of the same size at the path within the same second, or even with the very
// same modification time: the save still notices, by the nanoseconds or by the inode.
TEST_F(LockwardenDocTest, AFileReplacedWithinTheSameSecondIsNoticed) {
    enum class EReplaced { otherNanoseconds, sameTimeNewInode };
    for (const EReplaced how : {EReplaced::otherNanoseconds, EReplaced::sameTimeNewInode}) {
        SCOPED_TRACE(how == EReplaced::otherNanoseconds ? "other nanoseconds" : "same time, new inode");
        const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
        const timespec ours[2] = {{kEarlier, 100}, {kEarlier, 100}};
        ASSERT_EQ(::utimensat(AT_FDCWD, Native(strPath).constData(), ours, 0), 0);
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath, "s3cret"));
        scene.Edit("bravo");
        // Their file: the same size (same password length, one site of as many letters).
        const QString strTheirs = Path("theirs.tmp");
        const QByteArray theirs = DatabaseBytes("T3cret", {"zulu1"});
        ASSERT_EQ(theirs.size(), DatabaseBytes("s3cret", {"alpha"}).size());
        WriteFile(strTheirs, theirs);
        const long nNanoseconds = how == EReplaced::otherNanoseconds ? 900 : 100;
        const timespec times[2] = {{kEarlier, nNanoseconds}, {kEarlier, nNanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, Native(strTheirs).constData(), times, 0), 0);
        ASSERT_EQ(::rename(Native(strTheirs).constData(), Native(strPath).constData()), 0);
        scene.Forget();
        scene.prompts.AnswerMessage(IDNO);

        EXPECT_FALSE(scene.doc.DoFileSave());

        EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDiskChanged, kDiskChangedType}}));
        EXPECT_EQ(ReadFile(strPath), theirs);
    }
}

// The file as this document left it is no change: saving twice in one second asks nothing.
TEST_F(LockwardenDocTest, TheDocumentsOwnSaveIsNoChangeOnDisk) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    for (const char* pszName : {"bravo", "charlie"}) {
        scene.Edit(pszName);
        EXPECT_TRUE(scene.doc.DoFileSave());
    }
    EXPECT_TRUE(scene.prompts.MessageBoxes().empty());
    EXPECT_EQ(ReadFile(strPath), DatabaseBytes("s3cret", {"alpha", "bravo", "charlie"}));
}

// A FIFO named as the database answers at once instead of waiting for a writer for ever; a device and a
// file beyond the size limit are refused before anything is read.
TEST_F(LockwardenDocTest, OnlyARegularFileOfSaneSizeIsOpened) {
    const QString strFifo = Path("fifo.lwd");
    ASSERT_EQ(::mkfifo(Native(strFifo).constData(), 0600), 0);
    const QString strHuge = Path("huge.lwd");
    WriteFile(strHuge, DatabaseBytes("", {"alpha"}));
    ASSERT_EQ(::truncate(Native(strHuge).constData(), FileAccess::kMaxFileSize + 1), 0);
    const QString strFailed = LoadString(AFX_IDP_FAILED_TO_OPEN_DOC) + QStringLiteral("\n\n");
    const struct {
        QString strPath;
        QString strReason;
    } cases[] = {
        {strFifo, LoadString(IDS_NOT_REGULAR_FILE)},
        {QStringLiteral("/dev/zero"), LoadString(IDS_NOT_REGULAR_FILE)},
        {strHuge, LoadString(IDS_FILE_TOO_LARGE).arg(FileAccess::kMaxFileSize >> 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strPath.toStdString());
        CScene scene;
        EXPECT_FALSE(scene.Open(c.strPath));
        EXPECT_EQ(
            scene.prompts.MessageBoxes(),
            (std::vector<Shown>{{strFailed + c.strPath + QStringLiteral(": ") + c.strReason, MB_ICONSTOP | MB_OK}}));
    }
}

TEST_F(LockwardenDocTest, CancelledSaveAsStillTakesTheCurrentFileTime) {
    const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath));
    scene.Edit("bravo");
    SetFileTime(strPath, kEarlier + 5); // touched by someone else
    scene.Forget();
    scene.prompts.CancelFileDialog();

    scene.doc.OnSaveAs();

    ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
    EXPECT_EQ(scene.prompts.m_shown[0].strText, QStringLiteral("save:") + strPath);
    EXPECT_EQ(scene.doc.FileTime(), kEarlier + 5);
    EXPECT_TRUE(scene.doc.IsModified());
    // So the next save does not ask about what happened before the cancel.
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_TRUE(scene.prompts.MessageBoxes().empty());
    EXPECT_EQ(ReadFile(strPath), DatabaseBytes("", {"alpha", "bravo"}));
}

TEST_F(LockwardenDocTest, NeverSavedDocumentAsksOnlyWhenItLandsOnAnExistingFile) {
    // To a new path: nothing asked, owner-only permissions.
    {
        CScene scene;
        scene.Edit("alpha");
        const QString strNew = Path("new.lwd");
        scene.prompts.ChooseFile(strNew);
        ASSERT_TRUE(scene.doc.DoFileSave());
        ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
        EXPECT_EQ(scene.prompts.m_shown[0].strText, QStringLiteral("save:Untitled.lwd"));
        EXPECT_EQ(ReadFile(strNew), DatabaseBytes("", {"alpha"}));
        EXPECT_EQ(FileMode(strNew), 0600u);
        EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("new.lwd"));
        EXPECT_EQ(scene.doc.GetPathName(), strNew);
        EXPECT_FALSE(scene.doc.IsModified());
        EXPECT_EQ(scene.doc.FileTime(), static_cast<std::int32_t>(FileTime(strNew)));
    }
    // Onto an existing file whose time is not the one the document knows: asked; No keeps that file.
    const QString strExisting = MakeFile("existing.lwd", "", {"zulu"});
    const QByteArray existing = ReadFile(strExisting);
    CScene scene;
    scene.Edit("alpha");
    scene.prompts.ChooseFile(strExisting);
    scene.prompts.AnswerMessage(IDNO);
    EXPECT_FALSE(scene.doc.DoFileSave());
    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDiskChanged, kDiskChangedType}}));
    EXPECT_EQ(ReadFile(strExisting), existing);
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(scene.doc.GetPathName().isEmpty());
    EXPECT_TRUE(scene.doc.IsModified());

    scene.Forget();
    scene.prompts.ChooseFile(strExisting);
    scene.prompts.AnswerMessage(IDYES);
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{kDiskChanged, kDiskChangedType}}));
    EXPECT_EQ(ReadFile(strExisting), DatabaseBytes("", {"alpha"}));
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("existing.lwd"));
}

// Save As proposes the title up to its first character that has no place in a file name, plus ".lwd".
TEST_F(LockwardenDocTest, SaveAsProposesTheTitleCutAtItsFirstDubiousCharacter) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("Untitled *"), QStringLiteral("Untitled.lwd")},
        {QStringLiteral("My Sites"), QStringLiteral("My.lwd")},
        {QStringLiteral("home#2"), QStringLiteral("home.lwd")},
        {QStringLiteral("50%off"), QStringLiteral("50.lwd")},
        {QStringLiteral("work;old"), QStringLiteral("work.lwd")},
        {QStringLiteral("a/b"), QStringLiteral("a.lwd")},
        {QStringLiteral("a\\b"), QStringLiteral("a.lwd")},
        {QStringLiteral("plain"), QStringLiteral("plain.lwd")},
    };
    for (const auto& [strTitle, strProposed] : cases) {
        SCOPED_TRACE(strTitle.toStdString());
        CScene scene;
        scene.Edit("alpha");
        scene.doc.SetTitle(strTitle);
        scene.prompts.CancelFileDialog();
        scene.doc.OnSaveAs();
        ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
        EXPECT_EQ(scene.prompts.m_shown[0].strText, QStringLiteral("save:") + strProposed);
        EXPECT_TRUE(scene.doc.IsModified());
    }
}

// A write that fails part-way (here the file-size limit, as a full disk would) leaves the old file byte
// for byte, no temporary file behind, and the document modified.
TEST_F(LockwardenDocTest, WriteFailingPartWayLeavesTheOldFile) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
    const QByteArray old = ReadFile(strPath);
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    for (int i = 0; i < 300; ++i)
        scene.Edit("site number " + std::to_string(i));
    ASSERT_GT(BytesOfSites("s3cret", scene.doc.Sites()).size(), 3 * 4096);
    scene.Forget();
    bool bSaved = true;
    {
        CFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.m_bSet);
        bSaved = scene.doc.DoFileSave();
    }
    EXPECT_FALSE(bSaved);
    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{QStringLiteral("Failed to save document.\n\n") +
                                                                     strPath + QStringLiteral(": File too large"),
                                                                 kExclamation}}));
    EXPECT_EQ(ReadFile(strPath), old);
    EXPECT_EQ(FileTime(strPath), kEarlier);
    EXPECT_EQ(FolderEntries(), QStringList{QStringLiteral("sites.lwd")});
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
    EXPECT_EQ(scene.doc.FileTime(), kEarlier);
}

TEST_F(LockwardenDocTest, SaveIntoAFolderThatCannotHoldFilesFailsAndKeepsTheDocument) {
    WriteFile(Path("plain.txt"), "not a folder");
    struct Case {
        QString strPath;
        QString strReason;
    };
    const std::vector<Case> cases = {
        {Path("plain.txt/sites.lwd"), QStringLiteral("Not a directory")},
        {QStringLiteral("/proc/lockwarden-test.lwd"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strPath.toStdString());
        CScene scene;
        scene.Edit("alpha");
        scene.prompts.ChooseFile(c.strPath);
        scene.doc.OnSaveAs();
        const std::vector<Shown> boxes = scene.prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        const QString strStart = QStringLiteral("Failed to save document.\n\n") + c.strPath + QStringLiteral(": ");
        EXPECT_TRUE(boxes[0].strText.startsWith(strStart)) << boxes[0].strText.toStdString();
        EXPECT_GT(boxes[0].strText.size(), strStart.size());
        if (!c.strReason.isEmpty()) {
            EXPECT_EQ(boxes[0].strText, strStart + c.strReason);
        }
        EXPECT_EQ(boxes[0].nType, kExclamation);
        EXPECT_FALSE(QFileInfo::exists(c.strPath));
        EXPECT_TRUE(scene.doc.IsModified());
        EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
        EXPECT_TRUE(scene.doc.GetPathName().isEmpty());
    }
    EXPECT_EQ(ReadFile(Path("plain.txt")), QByteArray("not a folder"));
}

// A file nobody may write is not replaced: Save goes to Save As, and a save straight to that path (as at
// log-off) fails with the reason.
TEST_F(LockwardenDocTest, ReadOnlyFileIsNotReplaced) {
    const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
    const QByteArray old = ReadFile(strPath);
    ASSERT_EQ(::chmod(Native(strPath).constData(), 0444), 0);
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath));
    scene.Edit("bravo");
    scene.Forget();
    scene.prompts.CancelFileDialog();

    EXPECT_FALSE(scene.doc.DoFileSave());
    ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
    EXPECT_EQ(scene.prompts.m_shown[0].strText, QStringLiteral("save:") + strPath);

    scene.Forget();
    EXPECT_FALSE(scene.doc.OnSaveDocument(strPath));
    EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{{QStringLiteral("Failed to save document.\n\n") +
                                                                     strPath + QStringLiteral(": Permission denied"),
                                                                 kExclamation}}));
    EXPECT_EQ(ReadFile(strPath), old);
    EXPECT_EQ(FileMode(strPath), 0444u);
    EXPECT_TRUE(scene.doc.IsModified());
}

// A reader checking the file's password holds its shared lock: the save leaves the file alone and says
// why, and goes through once the reader has finished.
TEST_F(LockwardenDocTest, SaveWaitsForAReaderOfTheFile) {
    const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
    const QByteArray old = ReadFile(strPath);
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath));
    scene.Edit("bravo");
    scene.Forget();
    const int fd = ::open(Native(strPath).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);

    EXPECT_FALSE(scene.doc.DoFileSave());

    EXPECT_EQ(scene.prompts.MessageBoxes(),
              (std::vector<Shown>{{QStringLiteral("Failed to save document.\n\n") + strPath +
                                       QStringLiteral(": Another program is reading the file"),
                                   kExclamation}}));
    EXPECT_EQ(ReadFile(strPath), old);
    EXPECT_EQ(FolderEntries(), QStringList{QStringLiteral("sites.lwd")});
    EXPECT_TRUE(scene.doc.IsModified());
    ::close(fd);
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_EQ(ReadFile(strPath), DatabaseBytes("", {"alpha", "bravo"}));
}

TEST_F(LockwardenDocTest, SaveKeepsTheModeOfAnExistingFile) {
    for (const unsigned nMode : {0644u, 0640u, 0600u}) {
        SCOPED_TRACE(nMode);
        const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
        ASSERT_EQ(::chmod(Native(strPath).constData(), nMode), 0);
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath));
        scene.Edit("bravo");
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_EQ(FileMode(strPath), nMode);
        EXPECT_EQ(ReadFile(strPath), DatabaseBytes("", {"alpha", "bravo"}));
    }
}

// The view records an edit as a removal and an append, so the edited record moves to the end of the file.
TEST_F(LockwardenDocTest, EditedRecordIsLastInTheSavedFile) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha", "bravo", "charlie"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    auto pEdited = std::make_unique<CSiteInfo>(*scene.doc.Sites()[1]);
    pEdited->m_strPswd = "a new password";
    scene.doc.RemoveSite(scene.doc.Sites()[1].get());
    scene.doc.AddSite(std::move(pEdited));
    scene.doc.SetModifiedFlag(true);
    ASSERT_TRUE(scene.doc.DoFileSave());

    CScene reader;
    ASSERT_TRUE(reader.Open(strPath, "s3cret"));
    EXPECT_EQ(NamesOf(reader.doc.Sites()), (std::vector<std::string>{"alpha", "charlie", "bravo"}));
    EXPECT_EQ(reader.doc.Sites()[2]->m_strPswd, "a new password");
}

TEST_F(LockwardenDocTest, SavingUneditedDatabaseGivesTheSameBytes) {
    CSiteArray sites = Sites({"alpha", "bravo"});
    sites[0]->m_strNotes = std::string(300, 'n');     // a long field
    sites[1]->m_strPswd = "caf\xc3\xa9 \xe9\xff\x01"; // bytes above 0x7F and a control byte
    const QString strPath = Path("sites.lwd");
    const QByteArray original = BytesOfSites("pass word", sites);
    WriteFile(strPath, original);
    SetFileTime(strPath, kEarlier);

    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "pass word"));
    scene.doc.SetModifiedFlag(true);
    ASSERT_TRUE(scene.doc.DoFileSave());
    EXPECT_TRUE(scene.prompts.MessageBoxes().empty());
    EXPECT_EQ(ReadFile(strPath), original);
}

// ---- Change File Pswd ----

TEST_F(LockwardenDocTest, ChangeFilePasswordLabelAndUnchangedEntry) {
    for (const bool bModified : {false, true}) {
        SCOPED_TRACE(bModified ? "modified" : "not modified");
        const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath, "s3cret"));
        if (bModified)
            scene.Edit("bravo");
        scene.Forget();
        const CSnapshot before(scene);
        scene.prompts.EnterPassword("s3cret");

        scene.doc.OnChangeFilePassword();

        ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
        // The modified marker's "*" gives way to a space in the label.
        EXPECT_EQ(scene.prompts.m_shown[0].strText, bModified ? QStringLiteral("password:File:  sites.lwd  ")
                                                              : QStringLiteral("password:File:  sites.lwd"));
        EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{"s3cret"}));
        ExpectSame(before, CSnapshot(scene));
    }
}

TEST_F(LockwardenDocTest, ChangeFilePasswordCancelledChangesNothing) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    const CSnapshot before(scene);
    scene.prompts.CancelPassword();
    scene.doc.OnChangeFilePassword();
    ExpectSame(before, CSnapshot(scene));
}

TEST_F(LockwardenDocTest, ChangedFilePasswordIsTrimmedAndMarksTheDocument) {
    const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
    CScene scene;
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    scene.Forget();
    scene.prompts.EnterPassword(" \t\n\v\f\rnew pass \t\n\v\f\r");
    scene.prompts.EnterPassword(" \t\n\v\f\rnew pass \t\n\v\f\r");

    scene.doc.OnChangeFilePassword();

    // Asked twice, then told of the blanks before they go.
    EXPECT_EQ(scene.prompts.m_shown, (std::vector<Shown>{{QStringLiteral("password:File:  sites.lwd"), 0},
                                                         {QStringLiteral("confirm:File:  sites.lwd"), 0},
                                                         {kTrimmed, kTrimmedType}}));
    EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{"s3cret", ""}));
    EXPECT_EQ(scene.doc.GetFilePassword(), "new pass");
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
    // The file keeps its old password until the save.
    EXPECT_EQ(ReadFile(strPath), DatabaseBytes("s3cret", {"alpha"}));
    ASSERT_TRUE(scene.doc.DoFileSave());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
    EXPECT_EQ(ReadFile(strPath), DatabaseBytes("new pass", {"alpha"}));

    CScene reader;
    reader.prompts.EnterPassword("s3cret");
    reader.prompts.EnterPassword("new pass");
    ASSERT_TRUE(reader.docTemplate.OpenDocumentFile(strPath));
    EXPECT_EQ(reader.prompts.Messages(), QStringList{kBadPassword});
}

// An empty entry, or white space only, removes the password: the next save writes an empty check string
// and every field in clear.
TEST_F(LockwardenDocTest, EmptiedFilePasswordSavesClearText) {
    QByteArray expected;
    expected += '\x16';
    expected += "Lockwarden Version 1.0";
    expected += QByteArray("\x00\x01\x00\x00\x00", 5);
    expected += QByteArray("\xFF\xFF\x01\x00\x09\x00", 6);
    expected += "CSiteInfo";
    expected += "\x01"
                "a"
                "\x01"
                "b"
                "\x01"
                "c"
                "\x01"
                "d"
                "\x01"
                "e";
    ASSERT_EQ(expected.size(), 53);

    for (const std::string& strEntry : {std::string(), std::string(" \t \r\n")}) {
        SCOPED_TRACE("entry of " + std::to_string(strEntry.size()) + " bytes");
        const QString strPath = Path("sites.lwd");
        CSiteArray sites;
        sites.push_back(std::make_unique<CSiteInfo>("a", "b", "c", "d", "e"));
        WriteFile(strPath, BytesOfSites("s3cret", sites));
        SetFileTime(strPath, kEarlier);
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath, "s3cret"));
        scene.prompts.EnterPassword(strEntry);
        scene.prompts.EnterPassword(strEntry);
        scene.doc.OnChangeFilePassword();
        EXPECT_EQ(scene.doc.GetFilePassword(), "");
        EXPECT_TRUE(scene.doc.IsModified());
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_EQ(ReadFile(strPath), expected);
    }
}

// A new password is asked for twice; entries that differ, a cancelled second entry, or Cancel on the
// notice about blanks change nothing. A password that needed no trimming is taken without the notice.
TEST_F(LockwardenDocTest, NewFilePasswordIsConfirmedBeforeItTakesEffect) {
    const Shown kDiffer{QStringLiteral("The passwords do not match.\n\nThe file password is not changed."),
                        kExclamation};
    struct Case {
        const char* pszName;
        std::string strFirst;
        std::optional<std::string> strSecond; // nullopt: the second entry is cancelled
        int nTrimAnswer;                      // 0: no notice expected
        std::vector<Shown> boxes;
        std::string strPasswordAfter;
    };
    const std::vector<Case> cases = {
        {"same twice", "new pass", "new pass", 0, {}, "new pass"},
        {"mistyped", "new pass", "new pas", 0, {kDiffer}, "s3cret"},
        {"second cancelled", "new pass", std::nullopt, 0, {}, "s3cret"},
        {"blanks differ", " new pass", "new pass", 0, {kDiffer}, "s3cret"},
        {"trim accepted", "  gp  ", "  gp  ", IDOK, {{kTrimmed, kTrimmedType}}, "gp"},
        {"trim cancelled", "  gp  ", "  gp  ", IDCANCEL, {{kTrimmed, kTrimmedType}}, "s3cret"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const QString strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath, "s3cret"));
        scene.Forget();
        const CSnapshot before(scene);
        scene.prompts.EnterPassword(c.strFirst);
        if (c.strSecond)
            scene.prompts.EnterPassword(*c.strSecond);
        else
            scene.prompts.CancelPassword();
        if (c.nTrimAnswer != 0)
            scene.prompts.AnswerMessage(c.nTrimAnswer);

        scene.doc.OnChangeFilePassword();

        ASSERT_GE(scene.prompts.m_shown.size(), 2u);
        EXPECT_EQ(scene.prompts.m_shown[1], (Shown{QStringLiteral("confirm:File:  sites.lwd"), 0}));
        EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{"s3cret", ""}));
        EXPECT_EQ(scene.prompts.MessageBoxes(), c.boxes);
        EXPECT_EQ(scene.doc.GetFilePassword(), c.strPasswordAfter);
        if (c.strPasswordAfter == "s3cret") {
            ExpectSame(before, CSnapshot(scene));
        } else {
            EXPECT_TRUE(scene.doc.IsModified());
        }
    }
}

TEST_F(LockwardenDocTest, ChangeFilePasswordIsEnabledOnlyWithRecords) {
    CScene scene;
    EXPECT_FALSE(scene.doc.OnUpdateChangeFilePassword());
    CSiteInfo* pSite = scene.doc.AddSite(Site("alpha"));
    EXPECT_TRUE(scene.doc.OnUpdateChangeFilePassword());
    scene.doc.RemoveSite(pSite);
    EXPECT_FALSE(scene.doc.OnUpdateChangeFilePassword());
}

// ---- Title, records ----

// The frame marks its caption from these: each change of the flag told once, with its value; the title stays
// the file's name.
TEST_F(LockwardenDocTest, ModifiedFlagChangesAreToldOnceAndLeaveTheTitle) {
    struct Case {
        bool bModified;
        bool bSet;
    };
    const std::vector<Case> cases = {{false, true}, {true, true}, {true, false}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bModified ? "modified" : "clean") + (c.bSet ? ", set" : ", cleared"));
        const QString strPath = MakeFile("sites.lwd", "", {"alpha"});
        CScene scene;
        ASSERT_TRUE(scene.Open(strPath));
        scene.doc.SetModifiedFlag(c.bModified);
        int nTitleChanges = 0;
        std::vector<bool> told;
        QObject::connect(&scene.doc, &CDocument::titleChanged, [&] { ++nTitleChanges; });
        QObject::connect(&scene.doc, &CDocument::modifiedChanged, [&](bool bModified) { told.push_back(bModified); });

        scene.doc.SetModifiedFlag(c.bSet);

        EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("sites.lwd"));
        EXPECT_EQ(scene.doc.IsModified(), c.bSet);
        EXPECT_EQ(nTitleChanges, 0);
        EXPECT_EQ(told, c.bModified == c.bSet ? std::vector<bool>{} : std::vector<bool>{c.bSet});
    }
}

TEST_F(LockwardenDocTest, RemoveSiteTakesOnlyARecordItHolds) {
    CScene scene;
    for (const char* pszName : {"alpha", "bravo", "charlie"})
        scene.doc.AddSite(Site(pszName));
    const auto pStranger = Site("bravo");
    scene.doc.RemoveSite(pStranger.get());
    scene.doc.RemoveSite(nullptr);
    EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"alpha", "bravo", "charlie"}));

    scene.doc.RemoveSite(scene.doc.Sites()[1].get());
    EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"alpha", "charlie"}));
}

// The site-name rule lives with the document: whoever adds or renames a site (the form, the companion, an
// import), a name that is empty or holds a control character is refused and nothing changes. A name read
// from a file, merged in or kept as it was after Edit, stays as the file holds it.
TEST_F(LockwardenDocTest, AddAndReplaceKeepTheSiteNameRule) {
    struct Case {
        const char* pszWhat;
        std::string strName;
        bool bAllowed;
    };
    const std::vector<Case> cases = {
        {"a plain name", "mail", true},
        {"blanks count as a name", " ", true},
        {"a Windows byte alone is a printable character", "caf\x80", true},
        {"empty", "", false},
        {"a tab", "a\tb", false},
        {"a line break", "a\nb", false},
        {"a carriage return", "a\rb", false},
        {"DEL", "a\x7F", false},
        {"a C1 control in UTF-8", "a\xC2\x85", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CScene scene;
        CSiteInfo* pOld = scene.doc.AddSite(Site("old"));
        ASSERT_NE(pOld, nullptr);
        scene.doc.SetModifiedFlag(false);
        const std::uint64_t nRevision = scene.doc.Revision();
        int nChanges = 0;
        QObject::connect(&scene.doc, &CLockwardenDoc::sitesChanged, [&] { ++nChanges; });

        CSiteInfo* pAdded = scene.doc.AddSite(Site(c.strName));
        EXPECT_EQ(pAdded != nullptr, c.bAllowed);
        CSiteInfo* pReplaced = scene.doc.ReplaceSite(pOld, Site(c.strName));
        EXPECT_EQ(pReplaced != nullptr, c.bAllowed);
        if (c.bAllowed) {
            EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{c.strName, c.strName}));
            EXPECT_EQ(nChanges, 2);
            EXPECT_EQ(scene.doc.Revision(), nRevision + 2);
            continue;
        }
        EXPECT_EQ(NamesOf(scene.doc.Sites()), std::vector<std::string>{"old"});
        EXPECT_EQ(scene.doc.Sites().front().get(), pOld);
        EXPECT_FALSE(scene.doc.IsModified());
        EXPECT_EQ(nChanges, 0);
        EXPECT_EQ(scene.doc.Revision(), nRevision);

        // A name read from another file is kept as it is, and so is that name when its site is edited.
        CSiteInfo* pRead = scene.doc.AddReadSite(Site(c.strName));
        ASSERT_NE(pRead, nullptr);
        auto pEdited = Site(c.strName);
        pEdited->m_strPswd = "new";
        CSiteInfo* pKept = scene.doc.ReplaceSite(pRead, std::move(pEdited));
        ASSERT_NE(pKept, nullptr);
        EXPECT_EQ(pKept->m_strSite, c.strName);
        EXPECT_EQ(pKept->m_strPswd, "new");
        // Renamed from it to another name that breaks the rule, it is refused.
        EXPECT_EQ(scene.doc.ReplaceSite(pKept, Site(c.strName + "\t")), nullptr);
        EXPECT_EQ(scene.doc.Sites().back().get(), pKept);
    }
}

// ---- "Save changes to %1?" before New and Open ----

enum class Next { New, Open };

class LockwardenDocSaveChangesTest : public LockwardenDocTest {
protected:
    void SetUp() override {
        LockwardenDocTest::SetUp();
        m_strOther = MakeFile("other.lwd", "", {"zulu"});
    }
    // An open database with one unsaved record.
    void StartEdited(CScene& scene) {
        m_strPath = MakeFile("sites.lwd", "s3cret", {"alpha"});
        ASSERT_TRUE(scene.Open(m_strPath, "s3cret"));
        scene.Edit("bravo");
        scene.Forget();
    }
    bool Go(CScene& scene, Next next) {
        return next == Next::New ? scene.docTemplate.OnFileNew() : scene.docTemplate.OpenDocumentFile(m_strOther);
    }
    const Shown kAsk{QStringLiteral("Save changes to sites.lwd?"), kAskToSaveType};

    QString m_strPath;
    QString m_strOther;
};

TEST_F(LockwardenDocSaveChangesTest, YesSavesAndNoDiscardsThenNewOrOpenGoesOn) {
    for (const int nAnswer : {IDYES, IDNO}) {
        for (const Next next : {Next::New, Next::Open}) {
            SCOPED_TRACE(std::string(nAnswer == IDYES ? "Yes" : "No") + (next == Next::New ? ", New" : ", Open"));
            CScene scene;
            StartEdited(scene);
            scene.prompts.AnswerMessage(nAnswer);

            EXPECT_TRUE(Go(scene, next));

            EXPECT_EQ(scene.prompts.MessageBoxes(), std::vector<Shown>{kAsk});
            EXPECT_EQ(ReadFile(m_strPath), nAnswer == IDYES ? DatabaseBytes("s3cret", {"alpha", "bravo"})
                                                            : DatabaseBytes("s3cret", {"alpha"}));
            if (next == Next::New) {
                EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
                EXPECT_TRUE(scene.doc.Sites().empty());
                EXPECT_EQ(scene.doc.GetFilePassword(), "");
                if (nAnswer == IDNO) {
                    EXPECT_EQ(scene.doc.FileTime(), kEarlier); // New leaves the last file's time
                }
            } else {
                EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("other.lwd"));
                EXPECT_EQ(NamesOf(scene.doc.Sites()), (std::vector<std::string>{"zulu"}));
            }
            EXPECT_FALSE(scene.doc.IsModified());
            EXPECT_EQ(scene.nInitialUpdates, 1);
            EXPECT_EQ(scene.nActivations, 1);
        }
    }
}

TEST_F(LockwardenDocSaveChangesTest, CancelStops) {
    for (const Next next : {Next::New, Next::Open}) {
        SCOPED_TRACE(next == Next::New ? "New" : "Open");
        CScene scene;
        StartEdited(scene);
        const CSnapshot before(scene);
        scene.prompts.AnswerMessage(IDCANCEL);
        EXPECT_FALSE(Go(scene, next));
        EXPECT_EQ(scene.prompts.MessageBoxes(), std::vector<Shown>{kAsk});
        EXPECT_TRUE(scene.prompts.m_passwordFieldsShown.empty());
        ExpectSame(before, CSnapshot(scene));
        EXPECT_EQ(scene.nInitialUpdates, 0);
        EXPECT_EQ(ReadFile(m_strPath), DatabaseBytes("s3cret", {"alpha"}));
    }
}

// Yes with a save that does not happen (the disk-change question answered No) stops New and Open.
TEST_F(LockwardenDocSaveChangesTest, YesWithAnAbandonedSaveStops) {
    for (const Next next : {Next::New, Next::Open}) {
        SCOPED_TRACE(next == Next::New ? "New" : "Open");
        CScene scene;
        StartEdited(scene);
        SetFileTime(m_strPath, kEarlier + 3);
        const CSnapshot before(scene);
        scene.prompts.AnswerMessage(IDYES);
        scene.prompts.AnswerMessage(IDNO);
        EXPECT_FALSE(Go(scene, next));
        EXPECT_EQ(scene.prompts.MessageBoxes(), (std::vector<Shown>{kAsk, {kDiskChanged, kDiskChangedType}}));
        ExpectSame(before, CSnapshot(scene));
        EXPECT_EQ(ReadFile(m_strPath), DatabaseBytes("s3cret", {"alpha"}));
    }
}

// Yes for a never-saved document whose save fails: the failure is shown and New or Open does not happen.
TEST_F(LockwardenDocTest, FailedSaveBeforeNewOrOpenStopsIt) {
    WriteFile(Path("plain.txt"), "not a folder");
    const QString strOther = MakeFile("other.lwd", "", {"zulu"});
    const QString strBad = Path("plain.txt/sites.lwd");
    for (const Next next : {Next::New, Next::Open}) {
        SCOPED_TRACE(next == Next::New ? "New" : "Open");
        CScene scene;
        scene.Edit("alpha");
        scene.Forget();
        const CSnapshot before(scene);
        scene.prompts.AnswerMessage(IDYES);
        scene.prompts.ChooseFile(strBad);
        EXPECT_FALSE(next == Next::New ? scene.docTemplate.OnFileNew() : scene.docTemplate.OpenDocumentFile(strOther));
        EXPECT_EQ(scene.prompts.MessageBoxes(),
                  (std::vector<Shown>{
                      {QStringLiteral("Save changes to Untitled?"), kAskToSaveType},
                      {QStringLiteral("Failed to save document.\n\n") + strBad + QStringLiteral(": Not a directory"),
                       kExclamation}}));
        ExpectSame(before, CSnapshot(scene));
        EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("Untitled"));
    }
}

} // namespace

// Every change to the sites goes through the document, which marks itself modified and says what changed
// in an order a list can follow: a replaced record is still readable while its replacement is told, a
// removed one before it goes. A record the document does not hold changes nothing and tells nothing.
TEST_F(LockwardenDocTest, EveryChangeToTheSitesIsAnnouncedAndMarksTheDocumentModified) {
    CScene scene;
    for (const char* pszName : {"alpha", "bravo", "charlie"})
        scene.doc.AddSite(Site(pszName));
    scene.doc.SetModifiedFlag(false);
    std::vector<std::string> told;
    const auto count = [&] { return std::to_string(scene.doc.Sites().size()); };
    QObject::connect(&scene.doc, &CLockwardenDoc::siteAdded,
                     [&](CSiteInfo* pSite) { told.push_back("added " + pSite->m_strSite); });
    QObject::connect(&scene.doc, &CLockwardenDoc::siteReplaced, [&](CSiteInfo* pOld, CSiteInfo* pNew) {
        told.push_back("replaced " + pOld->m_strSite + " by " + pNew->m_strSite);
    });
    QObject::connect(&scene.doc, &CLockwardenDoc::siteAboutToBeRemoved,
                     [&](CSiteInfo* pSite) { told.push_back("removing " + pSite->m_strSite + " of " + count()); });
    QObject::connect(&scene.doc, &CLockwardenDoc::sitesChanged, [&] { told.push_back("changed to " + count()); });
    const auto names = [&] {
        std::vector<std::string> v;
        for (const auto& p : scene.doc.Sites())
            v.push_back(p->m_strSite);
        return v;
    };

    CSiteInfo* pDelta = scene.doc.AddSite(Site("delta"));
    EXPECT_EQ(pDelta, scene.doc.Sites().back().get());
    EXPECT_TRUE(scene.doc.IsModified());
    scene.doc.SetModifiedFlag(false);

    // Keep after Edit: the old record goes, the new one joins at the end, as the form's Keep stores it.
    CSiteInfo* pEdited = scene.doc.ReplaceSite(scene.doc.Sites()[1].get(), Site("bravo2"));
    EXPECT_EQ(pEdited, scene.doc.Sites().back().get());
    EXPECT_EQ(names(), (std::vector<std::string>{"alpha", "charlie", "delta", "bravo2"}));
    EXPECT_TRUE(scene.doc.IsModified());
    scene.doc.SetModifiedFlag(false);

    scene.doc.RemoveSite(pDelta);
    EXPECT_TRUE(scene.doc.IsModified());
    scene.doc.SetModifiedFlag(false);

    const auto pStranger = Site("stranger");
    scene.doc.RemoveSite(pStranger.get());
    EXPECT_FALSE(scene.doc.IsModified());

    EXPECT_EQ(names(), (std::vector<std::string>{"alpha", "charlie", "bravo2"}));
    EXPECT_EQ(told, (std::vector<std::string>{"added delta", "changed to 4", "replaced bravo by bravo2", "changed to 4",
                                              "removing delta of 4", "changed to 3"}));

    // Emptied for a load or New: the list is warned first, and told after.
    told.clear();
    QObject::connect(&scene.doc, &CDocument::contentsAboutToBeDeleted, [&] { told.push_back("deleting " + count()); });
    scene.doc.DeleteContents();
    EXPECT_EQ(told, (std::vector<std::string>{"deleting 3", "changed to 0"}));
}
