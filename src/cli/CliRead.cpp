#include "cli/CliRead.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "cli/Json.h"
#include "core/database/SiteInfo.h"
#include "core/platform/FileAccess.h"
#include "core/platform/Text.h"
#include "core/tools/PasswordPool.h"
#include "core/tools/SiteExport.h"
#include "core/tools/SiteNameMatch.h"
#include "core/database/SiteOrder.h"

#include "core/platform/LastError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The clear-text file of export --output, created as every export's file is (FileAccess::CreateSecretFile):
// --force says to replace a file already there.
struct CExportFile {
    std::FILE* m_pFile = nullptr;

    ~CExportFile() {
        if (m_pFile != nullptr)
            std::fclose(m_pFile);
    }
    bool Create(const std::string& strPath, bool bForce) {
        const int fd = FileAccess::CreateSecretFile(PathOf(strPath), bForce);
        if (fd < 0)
            return false;
        if ((m_pFile = ::fdopen(fd, "w")) == nullptr) {
            const int nErr = errno;
            ::close(fd);
            errno = nErr;
            return false;
        }
        return true;
    }
    bool Close() {
        std::FILE* pFile = m_pFile;
        m_pFile = nullptr;
        struct stat st {};
        bool bOk = std::fflush(pFile) == 0 && ::fstat(::fileno(pFile), &st) == 0 &&
                   (!S_ISREG(st.st_mode) || ::fsync(::fileno(pFile)) == 0);
        int nErr = errno;
        if (std::fclose(pFile) != 0 && bOk) {
            bOk = false;
            nErr = errno;
        }
        errno = nErr;
        return bOk;
    }
};

// Standard output redirected to a file that group or others may read (the usual umask's 0644).
bool IsFileOthersMayRead(std::FILE* pOut) {
    struct stat st {};
    return ::fstat(::fileno(pOut), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

// The export's text goes out in pieces, so no more of it than a piece is ever held, or copied as it grows.
void DrainFull(CCli& cli) {
    if (cli.m_strOut.size() >= (1 << 16))
        cli.Drain();
}

} // namespace

int CmdList(CCli& cli, const CArgs& args) {
    CSiteNameList names;
    if (!cli.OpenNames(PathOf(args.positional[0]), names))
        return kExitFailure;
    for (std::size_t i : SiteListOrder(names))
        cli.WriteFieldLine(names.Line(i));
    return cli.Finish();
}

int CmdFind(CCli& cli, const CArgs& args) {
    CSiteNameList names;
    if (!cli.OpenNames(PathOf(args.positional[0]), names))
        return kExitFailure;
    const CSiteNameFinder finder(args.positional[1]);
    bool bFound = false;
    for (std::size_t i : SiteListOrder(names))
        if (finder.FindIn(names[i]) >= 0) {
            cli.WriteFieldLine(names.Line(i));
            bFound = true;
        }
    // As grep does: a script can tell "nothing matches" from "matches" by the status alone.
    const int nExit = cli.Finish();
    return nExit == kExitOk && !bFound ? kExitFailure : nExit;
}

int CmdShow(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    const CSiteInfo* pSite = cli.FindSite(args.positional[1], args);
    if (pSite == nullptr)
        return kExitFailure;
    cli.WriteField("Site:  ", pSite->m_strSite);
    cli.WriteField("URL:  ", pSite->m_strURL);
    cli.WriteField("User:  ", pSite->m_strUser);
    // Masked as the form masks it.
    if (args.Has("--reveal"))
        cli.WriteField("Pswd:  ", pSite->m_strPswd);
    else
        cli.WriteLine("Pswd:  " + MaskPassword(pSite->m_strPswd));
    // The notes follow an empty line, as on the printed page.
    if (!pSite->m_strNotes.empty()) {
        cli.WriteLine("");
        const std::string& strNotes = pSite->m_strNotes;
        cli.WriteField({},
                       strNotes.back() == '\n' ? std::string_view(strNotes).substr(0, strNotes.size() - 1)
                                               : std::string_view(strNotes),
                       true);
    }
    return cli.Finish();
}

int CmdExport(CCli& cli, const CArgs& args) {
    const std::string strFormat = args.Value("--format").value_or("csv");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    cli.m_prompts.Warn(QStringLiteral("warning: the export shows every password in clear text."));
    CExportFile file;
    if (const auto strOutput = args.Value("--output")) {
        if (!file.Create(*strOutput, args.Has("--force"))) {
            cli.FailAbout(*strOutput, GetLastErrorText(errno).toStdString());
            return kExitFailure;
        }
        cli.m_pOut = file.m_pFile;
    } else if (IsFileOthersMayRead(cli.m_pOut)) {
        cli.m_prompts.Warn(QStringLiteral("warning: standard output is a file that others may read; "
                                          "--output FILE makes one that only you can read."));
    }
    std::string& out = cli.m_strOut;
    const CSiteArray& sites = cli.m_doc.Sites();
    if (const auto layout = SiteExport::LayoutByName(strFormat)) {
        out += SiteExport::Header(*layout);
        for (const auto& p : sites) {
            SiteExport::AppendSite(out, *layout, *p);
            DrainFull(cli);
        }
    } else {
        static const char* const kKeys[] = {"site", "url", "user", "password", "notes"};
        out += "[";
        for (std::size_t i = 0; i < sites.size(); ++i) {
            const CSiteInfo& s = *sites[i];
            const std::string* fields[] = {&s.m_strSite, &s.m_strURL, &s.m_strUser, &s.m_strPswd, &s.m_strNotes};
            out += i == 0 ? "\n  {" : ",\n  {";
            for (std::size_t k = 0; k < 5; ++k) {
                out += k == 0 ? "\"" : ", \"";
                out += kKeys[k];
                out += "\": ";
                Json::AppendString(out, *fields[k]);
            }
            out += "}";
            DrainFull(cli);
        }
        out += sites.empty() ? "]\n" : "\n]\n";
    }
    const int nExit = cli.Finish();
    if (file.m_pFile == nullptr || nExit != kExitOk)
        return nExit;
    // The file's own errors (a full disk) show only when it is closed.
    cli.m_pOut = nullptr;
    if (!file.Close()) {
        cli.FailAbout(*args.Value("--output"), GetLastErrorText(errno).toStdString());
        return kExitFailure;
    }
    return kExitOk;
}

int CmdGenerate(CCli& cli, const CArgs& args) {
    const std::size_t nLength = args.nLength.value_or(kDefaultLength);
    const std::size_t nCount = args.nCount.value_or(1);
    const std::string strPool =
        PasswordPool::BuildPool(!args.Has("--no-mixed-case"), !args.Has("--no-digits"), !args.Has("--no-punctuation"));
    std::string strPassword;
    for (std::size_t i = 0; i < nCount; ++i) {
        if (!cli.Generate(strPool, nLength, strPassword))
            return kExitFailure;
        cli.WriteLine(strPassword);
    }
    return cli.Finish();
}
