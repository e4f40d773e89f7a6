#include "cli/CliWrite.h"

#include "cli/CliArgs.h"
#include "cli/CliSeal.h"
#include "cli/CliSession.h"
#include "core/database/SiteName.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteImport.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The document refuses such a name too; told here, before the file is opened and its password asked for.
bool CheckSiteName(CCli& cli, const std::string& strSite) {
    switch (SiteNameFault(strSite)) {
    case ESiteNameFault::none:
        return true;
    case ESiteNameFault::empty:
        cli.m_prompts.MessageBox(LoadString(IDS_SITE_REQUIRED), MB_ICONEXCLAMATION | MB_OK);
        return false;
    case ESiteNameFault::control:
        break;
    }
    cli.Fail(LoadString(IDS_SITE_NAME_CONTROL).toStdString());
    return false;
}

// The notes of --notes-file: a file's text, or with "-" the rest of standard input after the secrets.
// Line breaks are stored as the program's notes field stores them, CR LF; the line break that ends a
// file's last line ends the file, not the notes.
bool ReadNotesFile(CCli& cli, const std::string& strPath, std::string& strNotes) {
    std::string strText;
    const CWipeOnExit wipe({&strText});
    if (strPath == "-") {
        if (!cli.m_input.ReadRest(strText)) {
            cli.FailAbout("standard input", GetLastErrorText(errno).toStdString());
            return false;
        }
    } else {
        int nErr = 0;
        if (!FileAccess::ReadRegularFile(PathOf(strPath), strText, nErr)) {
            cli.FailAbout(strPath, GetLastErrorText(nErr).toStdString());
            return false;
        }
    }
    if (!strText.empty() && strText.back() == '\n')
        strText.pop_back();
    if (!strText.empty() && strText.back() == '\r')
        strText.pop_back();
    WipeString(strNotes);
    strNotes.reserve(strText.size() * 2);
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\n' && (i == 0 || strText[i - 1] != '\r'))
            strNotes += '\r';
        strNotes += strText[i];
    }
    return true;
}

// The notes a command sets: --notes, --notes-file, or none (nullopt).
bool NotesOf(CCli& cli, const CArgs& args, std::optional<std::string>& notes) {
    if (const auto strPath = args.Value("--notes-file")) {
        notes.emplace();
        return ReadNotesFile(cli, *strPath, *notes);
    }
    notes = args.Value("--notes");
    return true;
}

// A file saved without a password is only encoded: the user hears of it at once.
void WarnWithoutPassword(CCli& cli) {
    // A sealed file keeps its password with its key, not in the application state.
    if (cli.m_doc.GetFileKind() == CLockwardenDoc::EFileKind::noPassword)
        cli.m_prompts.Warn(QStringLiteral("No file password: anyone who has the file can read it."));
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
    // A new database takes its password the way an open one changes it (Change File Pswd) or is sealed
    // under it (Seal, which refuses an empty one), then it is saved.
    cli.m_prompts.ExpectNewPassword();
    if (args.Has("--sealed")) {
        ChooseKeyCost(cli, args);
        cli.m_doc.OnSealFile();
        if (!cli.m_doc.IsSealed())
            return kExitFailure;
    } else {
        cli.m_doc.OnChangeFilePassword();
    }
    if (cli.m_prompts.HasFailed())
        return kExitFailure;
    if (!cli.m_doc.DoSave(strPath))
        return kExitFailure;
    WarnWithoutPassword(cli);
    return cli.Finish();
}

int CmdAdd(CCli& cli, const CArgs& args) {
    const std::string& strSite = args.positional[1];
    if (!CheckSiteName(cli, strSite) || !cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    std::string strPassword;
    std::optional<std::string> notes;
    const CWipeOnExit wipe({&strPassword});
    if (!cli.NewSitePassword(args, strSite, strPassword) || !NotesOf(cli, args, notes))
        return kExitFailure;
    cli.m_doc.AddSite(std::make_unique<CSiteInfo>(strSite, args.Value("--url").value_or(""),
                                                  args.Value("--user").value_or(""), strPassword,
                                                  notes ? std::move(*notes) : std::string()));
    if (notes)
        WipeString(*notes);
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
    if ((args.Has("--password") || args.Has("--generate")) &&
        !cli.NewSitePassword(args, pNew->m_strSite, pNew->m_strPswd))
        return kExitFailure;
    std::optional<std::string> notes;
    if (!NotesOf(cli, args, notes))
        return kExitFailure;
    if (notes) {
        pNew->m_strNotes.swap(*notes);
        WipeString(*notes);
    }
    cli.m_doc.ReplaceSite(pOld, std::move(pNew));
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
    if (cli.m_doc.IsModified()) {
        if (!cli.Save())
            return kExitFailure;
        WarnWithoutPassword(cli);
    }
    return cli.Finish();
}

int CmdImport(CCli& cli, const CArgs& args) {
    const std::string& strSourcePath = args.positional[1];
    std::optional<SiteImport::EFormat> format;
    if (const auto strFormat = args.Value("--format"))
        format = SiteImport::FormatByName(*strFormat);
    // The whole export is read and checked before the database is even opened: all or nothing.
    SiteImport::CImport imported;
    QString strError;
    if (!SiteImport::ReadFile(PathOf(strSourcePath), format, imported, strError)) {
        cli.FailAbout(strSourcePath, strError.toStdString());
        return kExitFailure;
    }
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    SiteImport::CImportPlan plan;
    SiteImport::PlanImport(cli.m_doc.Sites(), imported, plan);
    if (!args.Has("--dry-run") && plan.Added() > 0) {
        SiteImport::AddPlanned(cli.m_doc, plan);
        if (!cli.Save())
            return kExitFailure;
    }
    cli.WriteLine(SiteImport::CountLines(plan).substr(0, SiteImport::CountLines(plan).size() - 1));
    for (const std::string& strName : plan.merge.conflicts)
        cli.WriteField("conflict: ", strName);
    // The export holds every password in clear; once its sites are safe in the database it can go.
    if (args.Has("--remove-source")) {
        int nErr = 0;
        if (!FileAccess::OverwriteAndRemove(PathOf(strSourcePath), nErr)) {
            cli.Finish();
            cli.FailAbout(strSourcePath, GetLastErrorText(nErr).toStdString());
            return kExitFailure;
        }
        cli.WriteField("removed: ", strSourcePath);
    }
    return cli.Finish();
}
