#include "core/platform/MemoryPages.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A file in a temporary folder, open for reading and writing while the object lives.
class CTestFile {
public:
    explicit CTestFile(const std::string& strBytes) {
        m_strPath = m_dir.filePath(QStringLiteral("file")).toStdString();
        m_fd = ::open(m_strPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (m_fd >= 0 && !strBytes.empty())
            m_bWritten = ::write(m_fd, strBytes.data(), strBytes.size()) == static_cast<ssize_t>(strBytes.size());
        else
            m_bWritten = m_fd >= 0;
    }
    ~CTestFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Fd() const { return m_fd; }
    bool Ok() const { return m_bWritten; }

private:
    QTemporaryDir m_dir;
    std::string m_strPath;
    int m_fd = -1;
    bool m_bWritten = false;
};

std::string PageSizedText(std::size_t nPages) {
    const auto nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::string str(nPages * nPage, '\0');
    for (std::size_t i = 0; i < str.size(); ++i)
        str[i] = static_cast<char>('a' + i % 23);
    return str;
}

} // namespace

TEST(MappedFile, MapsTheWholeFileAndAnEmptyOneAsNoBytes) {
    for (const std::string& strBytes :
         {std::string(), std::string("x"), std::string("Lockwarden\0bytes", 16), PageSizedText(3) + "tail"}) {
        CTestFile file(strBytes);
        ASSERT_TRUE(file.Ok());
        CMappedFile mapped;
        ASSERT_TRUE(mapped.Map(file.Fd()));
        EXPECT_EQ(std::string(mapped.Data() == nullptr ? "" : mapped.Data(), mapped.Size()), strBytes);
        EXPECT_FALSE(mapped.WasCut());
    }
}

TEST(MappedFile, RefusesWhatIsNotARegularFile) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    CMappedFile mapped;
    EXPECT_FALSE(mapped.Map(fds[0]));
    EXPECT_EQ(mapped.Size(), 0u);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(MappedFile, AFileCutShortWhileMappedReadsAsZerosAndSaysSo) {
    const std::string strBytes = PageSizedText(4);
    CTestFile file(strBytes);
    ASSERT_TRUE(file.Ok());
    CMappedFile mapped;
    ASSERT_TRUE(mapped.Map(file.Fd()));
    const auto nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // Another program truncates the file to one page and a half: the pages past its new end are gone.
    ASSERT_EQ(::ftruncate(file.Fd(), static_cast<off_t>(nPage + nPage / 2)), 0);
    EXPECT_EQ(std::memcmp(mapped.Data(), strBytes.data(), nPage), 0);
    EXPECT_FALSE(mapped.WasCut());
    const volatile char* p = mapped.Data();
    EXPECT_EQ(p[3 * nPage + 5], 0);
    EXPECT_TRUE(mapped.WasCut());
    // A second mapping of the same file is not the one that was cut.
    CMappedFile again;
    ASSERT_TRUE(again.Map(file.Fd()));
    EXPECT_FALSE(again.WasCut());
}

TEST(MappedFile, ABusErrorOutsideAMappingStillEndsTheProgram) {
    // The guard meets only faults in its own mappings; any other bus error ends the program as before.
    CTestFile file(PageSizedText(2));
    ASSERT_TRUE(file.Ok());
    CMappedFile mapped;
    ASSERT_TRUE(mapped.Map(file.Fd())); // the guard is in place
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        void* p =
            ::mmap(nullptr, 2 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)), PROT_READ, MAP_SHARED, file.Fd(), 0);
        if (p == MAP_FAILED || ::ftruncate(file.Fd(), 0) != 0)
            ::_exit(2);
        const volatile char c = static_cast<const char*>(p)[1];
        ::_exit(c == 0 ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    if (WIFSIGNALED(nStatus)) {
        EXPECT_EQ(WTERMSIG(nStatus), SIGBUS);
    } else {
        // A sanitizer's own handler, which the guard hands the fault to, reports it and exits.
        ASSERT_NE(WEXITSTATUS(nStatus), 2) << "the child could not set the fault up";
        EXPECT_NE(WEXITSTATUS(nStatus), 0) << "the fault was taken for a cut mapping";
    }
}

TEST(PrefaultMemory, LeavesWhatTheMemoryHolds) {
    std::string str = PageSizedText(5);
    const std::string strBefore = str;
    // Ranges that begin and end inside pages, and nothing at all.
    PrefaultMemory(str.data() + 3, str.size() - 10);
    PrefaultMemory(str.data(), 0);
    EXPECT_EQ(str, strBefore);
}
