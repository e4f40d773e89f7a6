#include "cli/CliCommands.h"

#include "app/AppState.h"
#include "cli/CliPrompts.h"
#include "cli/Csv.h"
#include "cli/SecretInput.h"
#include "database/LockwardenDoc.h"
#include "database/SiteDatabaseFormat.h"
#include "framework/Archive.h"
#include "framework/DocTemplate.h"
#include "platform/LastError.h"
#include "platform/Text.h"
#include "resources/Resource.h"
#include "resources/Strings.h"
#include "resources/Version.h"
#include "tools/PasswordPool.h"
#include "tools/SiteNameMatch.h"
#include "tools/SiteOrder.h"

#include <QFile>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The generator's defaults: all four classes, eight characters.
constexpr std::size_t kDefaultLength = 8;
// Far beyond any password a site accepts, and small enough that a slip of the finger cannot eat the memory.
constexpr std::size_t kMaxLength = 4096;
constexpr std::size_t kMaxCount = 1000000;
// Output goes out in pieces of about this size.
constexpr std::size_t kOutputPiece = 1 << 16;

constexpr const char* kUsage =
    "usage: lockwarden-cli create FILE\n"
    "       lockwarden-cli list FILE\n"
    "       lockwarden-cli find FILE TEXT\n"
    "       lockwarden-cli show FILE SITE [--reveal]\n"
    "       lockwarden-cli add FILE SITE [--url URL] [--user NAME] [--notes TEXT] [--generate[=LENGTH]]\n"
    "       lockwarden-cli edit FILE SITE [--name NEW] [--url URL] [--user NAME] [--notes TEXT]\n"
    "                           [--password | --generate[=LENGTH]]\n"
    "       lockwarden-cli rm FILE SITE\n"
    "       lockwarden-cli passwd FILE\n"
    "       lockwarden-cli export FILE [--format csv|json]\n"
    "       lockwarden-cli import FILE CSVFILE\n"
    "       lockwarden-cli generate [--length N] [--no-mixed-case] [--no-digits] [--no-punctuation] [--count N]\n"
    "       lockwarden-cli --help | --version\n"
    "\n"
    "Secrets are read from the terminal without echo, or else one per line from standard input: the file\n"
    "password first when the file has one, then the new password or the site password the command needs.\n";

// ---- arguments

enum class EArg { flag, value, optionalValue };

struct COptionSpec {
    const char* pszName;
    EArg kind;
};

struct CArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::optional<std::string>> options;

    bool Has(const char* pszName) const { return options.count(pszName) != 0; }
    std::optional<std::string> Value(const char* pszName) const {
        const auto it = options.find(pszName);
        return it == options.end() ? std::nullopt : it->second;
    }
};

struct CUsageError {
    std::string strReason;
};

// Options may stand anywhere after the command; "--" ends them, for site names that begin with "-".
bool ParseArgs(const std::vector<std::string>& args, const std::vector<COptionSpec>& specs, CArgs& parsed,
               CUsageError& error) {
    bool bOptions = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (bOptions && strArg == "--") {
            bOptions = false;
            continue;
        }
        if (!bOptions || strArg.size() < 2 || strArg[0] != '-') {
            parsed.positional.push_back(strArg);
            continue;
        }
        const std::size_t nEq = strArg.find('=');
        const std::string strName = strArg.substr(0, nEq);
        const COptionSpec* pSpec = nullptr;
        for (const COptionSpec& option : specs)
            if (strName == option.pszName)
                pSpec = &option;
        if (pSpec == nullptr) {
            error.strReason = "unknown option " + strName;
            return false;
        }
        std::optional<std::string> value;
        if (nEq != std::string::npos)
            value = strArg.substr(nEq + 1);
        switch (pSpec->kind) {
        case EArg::flag:
            if (value) {
                error.strReason = strName + " takes no value";
                return false;
            }
            break;
        case EArg::value:
            if (!value) {
                if (i + 1 >= args.size()) {
                    error.strReason = strName + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            break;
        case EArg::optionalValue:
            break;
        }
        parsed.options[strName] = value;
    }
    return true;
}

bool ParseNumber(const std::string& str, std::size_t nMin, std::size_t nMax, std::size_t& n) {
    const char* pEnd = str.data() + str.size();
    const auto [p, ec] = std::from_chars(str.data(), pEnd, n);
    return !str.empty() && ec == std::errc() && p == pEnd && n >= nMin && n <= nMax;
}

// ---- the session: one document opened and saved exactly as the program does it

// The program's document, which can also load the site names alone: list and find need nothing else,
// and a large database then opens without building a record per site. The open check, the reading and
// every failure are the document's own.
class CCliDoc : public CLockwardenDoc {
public:
    CCliDoc(CAppState& app, CPrompts& prompts) : CLockwardenDoc(app, prompts), m_app(app) {}

    void Serialize(CArchive& ar) override {
        if (m_pNames == nullptr || ar.IsStoring()) {
            CLockwardenDoc::Serialize(ar);
            return;
        }
        std::string strBanner, strCheck;
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        SiteDatabaseFormat::ReadSiteNames(ar, m_app.m_strFilePassword, *m_pNames);
    }

    // While set, loading fills this with the site names in file order and leaves m_sites empty.
    std::vector<std::string>* m_pNames = nullptr;

private:
    CAppState& m_app;
};

class CCli {
public:
    CCli(std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
        : m_pOut(pOut), m_pErr(pErr), m_input(pIn, pErr), m_prompts(m_input, pErr), m_doc(m_app, m_prompts),
          m_template(m_doc, m_prompts) {}

    bool Open(const QString& strPath) { return m_template.OpenDocumentFile(strPath); }
    // Opens for reading the site names alone, in file order.
    bool OpenNames(const QString& strPath, std::vector<std::string>& names) {
        m_doc.m_pNames = &names;
        const bool bOpened = Open(strPath);
        m_doc.m_pNames = nullptr;
        return bOpened;
    }
    bool Save() { return m_doc.DoFileSave(); }
    // After a change to the records: marked as the view marks it, saved, and the command ends.
    int SaveChanges() {
        m_doc.SetModifiedFlag(true);
        return Save() ? Finish() : kExitFailure;
    }

    void Fail(const std::string& str) { m_prompts.Fail(QStringLiteral("lockwarden-cli: ") + ToDisplayText(str)); }

    // The first record named exactly strSite in list order. Equal names sort together and keep their
    // record order, so that is the first such record in the file.
    CSiteInfo* FindSite(const std::string& strSite) {
        for (const auto& pSite : m_doc.m_sites)
            if (pSite->m_strSite == strSite)
                return pSite.get();
        Fail("no site is named \"" + strSite + "\"");
        return nullptr;
    }

    // A new site password: generated when --generate is given, else read as a secret.
    bool NewSitePassword(const CArgs& args, const std::string& strSite, std::string& strPassword) {
        if (args.Has("--generate")) {
            std::size_t nLength = kDefaultLength;
            if (const auto value = args.Value("--generate"))
                ParseNumber(*value, 0, kMaxLength, nLength); // checked with the other arguments
            return Generate(PasswordPool::BuildPool(true, true, true), nLength, strPassword);
        }
        switch (m_input.ReadNewSecret("Password for " + strSite + ": ", strPassword)) {
        case CSecretInput::ok:
            return true;
        case CSecretInput::mismatch:
            Fail("the two entries differ");
            return false;
        case CSecretInput::ended:
            break;
        }
        Fail("no password for the site was given");
        return false;
    }

    bool Generate(const std::string& strPool, std::size_t nLength, std::string& strPassword) {
        if (PasswordPool::Generate(strPool, nLength, strPassword))
            return true;
        Fail("the system's random source failed: " + GetLastErrorText(errno).toStdString());
        return false;
    }

    // Output is collected and handed on in large pieces; a failure to write it (a full disk) is reported
    // once, at the end.
    void WriteLine(std::string_view str) {
        m_strOut += str;
        m_strOut += '\n';
        if (m_strOut.size() >= kOutputPiece)
            Drain();
    }
    void Drain() {
        if (!m_strOut.empty() && m_nOutError == 0 &&
            std::fwrite(m_strOut.data(), 1, m_strOut.size(), m_pOut) != m_strOut.size())
            m_nOutError = errno;
        m_strOut.clear();
    }
    int Finish() {
        Drain();
        if (std::fflush(m_pOut) != 0 && m_nOutError == 0)
            m_nOutError = errno;
        if (m_nOutError == 0)
            return kExitOk;
        Fail("standard output: " + GetLastErrorText(m_nOutError).toStdString());
        return kExitFailure;
    }

    std::FILE* m_pOut;
    std::FILE* m_pErr;
    CAppState m_app;
    CSecretInput m_input;
    CCliPrompts m_prompts;
    CCliDoc m_doc;
    CSingleDocTemplate m_template;
    std::string m_strOut;
    int m_nOutError = 0;
};

QString PathOf(const std::string& strArg) {
    return QFile::decodeName(QByteArray(strArg.data(), static_cast<qsizetype>(strArg.size())));
}

// ---- commands

int CmdCreate(CCli& cli, const CArgs& args) {
    const QString strPath = PathOf(args.positional[0]);
    // The save replaces whatever is there, so an existing file is refused first.
    struct stat st {};
    if (::lstat(args.positional[0].c_str(), &st) == 0) {
        cli.Fail(args.positional[0] + ": " + GetLastErrorText(EEXIST).toStdString());
        return kExitFailure;
    }
    if (!cli.m_template.OnFileNew())
        return kExitFailure;
    cli.m_doc.SetTitle(strPath.section(QLatin1Char('/'), -1));
    // A new database takes its password the way an open one changes it: Change File Pswd, then save.
    cli.m_prompts.ExpectNewPassword();
    cli.m_doc.OnChangeFilePassword();
    if (cli.m_prompts.HasFailed() || !cli.m_doc.DoSave(strPath))
        return kExitFailure;
    return cli.Finish();
}

int CmdList(CCli& cli, const CArgs& args) {
    std::vector<std::string> names;
    if (!cli.OpenNames(PathOf(args.positional[0]), names))
        return kExitFailure;
    for (std::size_t i : SiteListOrder(names))
        cli.WriteLine(names[i]);
    return cli.Finish();
}

int CmdFind(CCli& cli, const CArgs& args) {
    std::vector<std::string> names;
    if (!cli.OpenNames(PathOf(args.positional[0]), names))
        return kExitFailure;
    const QString strFind = ToDisplayText(args.positional[1]);
    for (std::size_t i : SiteListOrder(names))
        if (FindIgnoringCase(ToDisplayText(names[i]), strFind) >= 0)
            cli.WriteLine(names[i]);
    return cli.Finish();
}

int CmdShow(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    const CSiteInfo* pSite = cli.FindSite(args.positional[1]);
    if (pSite == nullptr)
        return kExitFailure;
    cli.WriteLine("Site:  " + pSite->m_strSite);
    cli.WriteLine("URL:  " + pSite->m_strURL);
    cli.WriteLine("User:  " + pSite->m_strUser);
    // Masked as the form masks it.
    cli.WriteLine("Pswd:  " + (args.Has("--reveal") ? pSite->m_strPswd : MaskPassword(pSite->m_strPswd)));
    // The notes follow an empty line, as on the printed page.
    if (!pSite->m_strNotes.empty()) {
        cli.WriteLine("");
        const std::string& strNotes = pSite->m_strNotes;
        cli.WriteLine(strNotes.back() == '\n' ? std::string_view(strNotes).substr(0, strNotes.size() - 1)
                                              : std::string_view(strNotes));
    }
    return cli.Finish();
}

bool CheckSiteName(CCli& cli, const std::string& strSite) {
    if (!strSite.empty())
        return true;
    cli.m_prompts.MessageBox(LoadString(IDS_SITE_REQUIRED), MB_ICONEXCLAMATION | MB_OK);
    return false;
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
    CSiteInfo* pOld = cli.FindSite(args.positional[1]);
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
    CSiteInfo* pSite = cli.FindSite(args.positional[1]);
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

void AppendJsonString(std::string& strOut, const std::string& strField) {
    const QByteArray utf8 = ToDisplayText(strField).toUtf8();
    strOut += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            strOut += "\\\"";
            break;
        case '\\':
            strOut += "\\\\";
            break;
        case '\n':
            strOut += "\\n";
            break;
        case '\r':
            strOut += "\\r";
            break;
        case '\t':
            strOut += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char sz[8];
                std::snprintf(sz, sizeof sz, "\\u%04x", static_cast<unsigned>(c));
                strOut += sz;
            } else {
                strOut += c;
            }
        }
    }
    strOut += '"';
}

int CmdExport(CCli& cli, const CArgs& args) {
    const std::string strFormat = args.Value("--format").value_or("csv");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    std::fprintf(cli.m_pErr, "lockwarden-cli: warning: the export shows every password in clear text.\n");
    std::string& out = cli.m_strOut;
    const CSiteArray& sites = cli.m_doc.m_sites;
    if (strFormat == "csv") {
        out += Csv::kHeader;
        out += "\r\n";
        for (const auto& p : sites)
            Csv::AppendRow(out, {p->m_strSite, p->m_strURL, p->m_strUser, p->m_strPswd, p->m_strNotes});
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
                AppendJsonString(out, *fields[k]);
            }
            out += "}";
        }
        out += sites.empty() ? "]\n" : "\n]\n";
    }
    return cli.Finish();
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

int CmdImport(CCli& cli, const CArgs& args) {
    const std::string& strCsvPath = args.positional[1];
    std::string strCsv;
    int nErr = 0;
    if (!ReadWholeFile(strCsvPath, strCsv, nErr)) {
        cli.Fail(strCsvPath + ": " + GetLastErrorText(nErr).toStdString());
        return kExitFailure;
    }
    // Every row is checked before the database is even opened: all or nothing.
    std::vector<Csv::Row> rows;
    std::size_t nLine = 0;
    std::string strError;
    if (!Csv::Parse(strCsv, rows, nLine, strError)) {
        cli.Fail(strCsvPath + ", line " + std::to_string(nLine) + ": " + strError);
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

int CmdGenerate(CCli& cli, const CArgs& args) {
    std::size_t nLength = kDefaultLength;
    std::size_t nCount = 1;
    if (const auto value = args.Value("--length"))
        ParseNumber(*value, 0, kMaxLength, nLength);
    if (const auto value = args.Value("--count"))
        ParseNumber(*value, 0, kMaxCount, nCount);
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

struct CCommand {
    const char* pszName;
    std::size_t nPositional;
    std::vector<COptionSpec> options;
    int (*run)(CCli&, const CArgs&);
};

const std::vector<CCommand>& Commands() {
    static const std::vector<CCommand> commands = {
        {"create", 1, {}, CmdCreate},
        {"list", 1, {}, CmdList},
        {"find", 2, {}, CmdFind},
        {"show", 2, {{"--reveal", EArg::flag}}, CmdShow},
        {"add",
         2,
         {{"--url", EArg::value},
          {"--user", EArg::value},
          {"--notes", EArg::value},
          {"--generate", EArg::optionalValue}},
         CmdAdd},
        {"edit",
         2,
         {{"--name", EArg::value},
          {"--url", EArg::value},
          {"--user", EArg::value},
          {"--notes", EArg::value},
          {"--password", EArg::flag},
          {"--generate", EArg::optionalValue}},
         CmdEdit},
        {"rm", 2, {}, CmdRemove},
        {"passwd", 1, {}, CmdPasswd},
        {"export", 1, {{"--format", EArg::value}}, CmdExport},
        {"import", 2, {}, CmdImport},
        {"generate",
         0,
         {{"--length", EArg::value},
          {"--no-mixed-case", EArg::flag},
          {"--no-digits", EArg::flag},
          {"--no-punctuation", EArg::flag},
          {"--count", EArg::value}},
         CmdGenerate},
    };
    return commands;
}

// What the option parser cannot see: values out of range and options that exclude each other.
bool CheckValues(const CCommand& command, const CArgs& args, CUsageError& error) {
    std::size_t n = 0;
    for (const char* pszName : {"--generate", "--length"}) {
        const auto value = args.Value(pszName);
        if (value && !ParseNumber(*value, 0, kMaxLength, n)) {
            error.strReason = std::string(pszName) + " takes a length from 0 to " + std::to_string(kMaxLength);
            return false;
        }
    }
    if (const auto value = args.Value("--count"); value && !ParseNumber(*value, 0, kMaxCount, n)) {
        error.strReason = "--count takes a number from 0 to " + std::to_string(kMaxCount);
        return false;
    }
    if (const auto value = args.Value("--format"); value && *value != "csv" && *value != "json") {
        error.strReason = "--format is csv or json";
        return false;
    }
    if (args.Has("--password") && args.Has("--generate")) {
        error.strReason = "--password and --generate exclude each other";
        return false;
    }
    if (std::strcmp(command.pszName, "edit") == 0 && args.options.empty()) {
        error.strReason = "edit: nothing to change";
        return false;
    }
    return true;
}

int UsageError(std::FILE* pErr, const std::string& strReason) {
    std::fprintf(pErr, "lockwarden-cli: %s\n%s", strReason.c_str(), kUsage);
    return kExitUsage;
}

} // namespace

int RunCli(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr) {
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    if (args.empty())
        return UsageError(pErr, "a command is needed");
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, pOut);
        return std::fflush(pOut) == 0 ? kExitOk : kExitFailure;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::fprintf(pOut, "lockwarden-cli %s\n", LOCKWARDEN_VERSION);
        return std::fflush(pOut) == 0 ? kExitOk : kExitFailure;
    }
    const CCommand* pCommand = nullptr;
    for (const CCommand& command : Commands())
        if (args[0] == command.pszName)
            pCommand = &command;
    if (pCommand == nullptr)
        return UsageError(pErr, "unknown command \"" + args[0] + "\"");

    CArgs parsed;
    CUsageError error;
    if (!ParseArgs(std::vector<std::string>(args.begin() + 1, args.end()), pCommand->options, parsed, error) ||
        !CheckValues(*pCommand, parsed, error))
        return UsageError(pErr, error.strReason);
    if (parsed.positional.size() != pCommand->nPositional)
        return UsageError(pErr, std::string(pCommand->pszName) + " takes " + std::to_string(pCommand->nPositional) +
                                    (pCommand->nPositional == 1 ? " argument" : " arguments"));
    CCli cli(pIn, pOut, pErr);
    // Every command but generate names a database first. The document keeps its path as text, so a
    // name that is not valid UTF-8 would reach the disk as another name: refused before anything happens.
    if (pCommand->nPositional > 0) {
        const std::string& strFile = parsed.positional[0];
        if (QFile::encodeName(PathOf(strFile)).toStdString() != strFile) {
            cli.Fail(strFile + ": a database name must be valid UTF-8");
            return kExitFailure;
        }
    }
    return pCommand->run(cli, parsed);
}
