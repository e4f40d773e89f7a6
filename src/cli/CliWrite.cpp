#include "cli/CliWrite.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "cli/Csv.h"
#include "cli/SiteName.h"
#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool CheckSiteName(CCli& cli, const std::string& strSite) {
    if (strSite.empty()) {
        cli.m_prompts.MessageBox(LoadString(IDS_SITE_REQUIRED), MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    if (HasControlCharacter(strSite)) {
        cli.Fail(kControlCharacterInName);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& strPath, std::string& strBytes, int& nErr) {
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        nErr = errno;
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            nErr = errno;
            ::close(fd);
            return false;
        }
        strBytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

} // namespace

int CmdCreate(CCli& cli, const CArgs& args) {
    const QString strPath = PathOf(args.positional[0]);
    // The save replaces whatever is there, so an existing file is refused first.
    struct stat st {};
    if (::lstat(args.positional[0].c_str(), &st) == 0) {
        cli.Fail(GetLastErrorText(EEXIST).toStdString());
        return kExitFailure;
    }
    if (!cli.m_template.OnFileNew())
        return kExitFailure;
    cli.m_doc.SetTitle(strPath.section(QLatin1Char('/'), -1));
    // A new database takes its password the way an open one changes it: Change File Pswd, then save.
    cli.m_prompts.ExpectNewPassword();
    cli.m_doc.OnChangeFilePassword();
    if (cli.m_prompts.HasFailed())
        return kExitFailure;
    if (args.Has("--sealed")) {
        // The password just given seals it; an empty one cannot.
        if (cli.m_doc.GetFilePassword().empty()) {
            cli.m_prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
            return kExitFailure;
        }
        cli.m_doc.OnSealFile();
        if (!cli.m_doc.IsSealed())
            return kExitFailure;
    }
    if (!cli.m_doc.DoSave(strPath))
        return kExitFailure;
    return cli.Finish();
}

int CmdAdd(CCli& cli, const CArgs& args) {
    const std::string& strSite = args.positional[1];
    if (!CheckSiteName(cli, strSite) || !cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    std::string strPassword;
    if (!cli.NewSitePassword(args, strSite, strPassword))
        return kExitFailure;
    cli.m_doc.AddSite(std::make_unique<CSiteInfo>(strSite, args.Value("--url").value_or(""),
                                                  args.Value("--user").value_or(""), strPassword,
                                                  args.Value("--notes").value_or("")));
    return cli.SaveChanges();
}

int CmdEdit(CCli& cli, const CArgs& args) {
    const std::optional<std::string> strName = args.Value("--name");
    if ((strName && !CheckSiteName(cli, *strName)) || !cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    CSiteInfo* pOld = cli.FindSite(args.positional[1], args);
    if (pOld == nullptr)
        return kExitFailure;
    auto pNew = std::make_unique<CSiteInfo>(*pOld);
    if (strName)
        pNew->m_strSite = *strName;
    pNew->m_strURL = args.Value("--url").value_or(pNew->m_strURL);
    pNew->m_strUser = args.Value("--user").value_or(pNew->m_strUser);
    pNew->m_strNotes = args.Value("--notes").value_or(pNew->m_strNotes);
    if ((args.Has("--password") || args.Has("--generate")) &&
        !cli.NewSitePassword(args, pNew->m_strSite, pNew->m_strPswd))
        return kExitFailure;
    // As the form's Keep after Edit: the old record goes, the new one joins at the end.
    cli.m_doc.RemoveSite(pOld);
    cli.m_doc.AddSite(std::move(pNew));
    return cli.SaveChanges();
}

int CmdRemove(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    CSiteInfo* pSite = cli.FindSite(args.positional[1], args);
    if (pSite == nullptr)
        return kExitFailure;
    cli.m_doc.RemoveSite(pSite);
    return cli.SaveChanges();
}

int CmdPasswd(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    cli.m_prompts.ExpectNewPassword();
    cli.m_doc.OnChangeFilePassword();
    if (cli.m_prompts.HasFailed())
        return kExitFailure;
    // The same password again changes nothing, and nothing needs writing.
    if (cli.m_doc.IsModified() && !cli.Save())
        return kExitFailure;
    return cli.Finish();
}

int CmdImport(CCli& cli, const CArgs& args) {
    const std::string& strCsvPath = args.positional[1];
    std::string strCsv;
    int nErr = 0;
    if (!ReadWholeFile(strCsvPath, strCsv, nErr)) {
        cli.FailAbout(strCsvPath, GetLastErrorText(nErr).toStdString());
        return kExitFailure;
    }
    // Every row is checked before the database is even opened: all or nothing.
    std::vector<Csv::Row> rows;
    std::size_t nLine = 0;
    std::string strError;
    if (!Csv::Parse(strCsv, rows, nLine, strError)) {
        cli.FailAbout(strCsvPath, "line " + std::to_string(nLine) + ": " + strError);
        return kExitFailure;
    }
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    if (rows.empty())
        return cli.Finish();
    for (Csv::Row& row : rows)
        cli.m_doc.AddSite(std::make_unique<CSiteInfo>(std::move(row[0]), std::move(row[1]), std::move(row[2]),
                                                      std::move(row[3]), std::move(row[4])));
    return cli.SaveChanges();
}
