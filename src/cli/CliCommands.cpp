#include "cli/CliCommands.h"

#include "cli/CliAnalyze.h"
#include "cli/CliArgs.h"
#include "cli/CliMerge.h"
#include "cli/CliRead.h"
#include "cli/CliSeal.h"
#include "cli/CliSession.h"
#include "cli/CliTotp.h"
#include "cli/CliWrite.h"
#include "core/platform/Text.h"
#include "core/resources/Version.h"
#include "core/tools/SiteExport.h"
#include "core/tools/SiteImport.h"

#include <QFile>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: lockwarden-cli create FILE [--sealed [--cost SECONDS]]\n"
    "       lockwarden-cli list FILE\n"
    "       lockwarden-cli find FILE TEXT\n"
    "       lockwarden-cli show FILE SITE [--nth N] [--reveal]\n"
    "       lockwarden-cli add FILE SITE [--url URL] [--user NAME] [--notes TEXT | --notes-file PATH]\n"
    "                          [--generate[=LENGTH]]\n"
    "       lockwarden-cli edit FILE SITE [--nth N] [--name NEW] [--url URL] [--user NAME]\n"
    "                           [--notes TEXT | --notes-file PATH] [--password | --generate[=LENGTH]]\n"
    "       lockwarden-cli rm FILE SITE [--nth N]\n"
    "       lockwarden-cli passwd FILE\n"
    "       lockwarden-cli seal FILE [--cost SECONDS]\n"
    "       lockwarden-cli unseal FILE [--yes]\n"
    "       lockwarden-cli info FILE\n"
    "       lockwarden-cli export FILE [--format csv|json|bitwarden-csv|keepassxc-csv] [--output OUTFILE [--force]]\n"
    "       lockwarden-cli import FILE SOURCE [--format NAME] [--dry-run | --remove-source]\n"
    "       lockwarden-cli merge FILE OTHER [--dry-run]\n"
    "       lockwarden-cli merge FILE --conflicts [--include-unprotected] [--dry-run]\n"
    "       lockwarden-cli generate [--length N] [--no-mixed-case] [--no-digits] [--no-punctuation] [--count N]\n"
    "       lockwarden-cli analyze FILE [--breached LIST] [--json]\n"
    "       lockwarden-cli totp FILE SITE [--nth N] [--at UNIX-SECONDS]\n"
    "       lockwarden-cli --help | --version\n"
    "\n"
    "Secrets are read from the terminal without echo, or else one per line from standard input: the file\n"
    "password's line always first (an empty line when the file has none; a password there for such a file is\n"
    "refused), then the new password or the site password the command needs.\n"
    "When several sites bear the name SITE, --nth N chooses one by its place among them in list order (from 1).\n"
    "Arguments are visible to other users of the machine: --notes-file PATH (\"-\": standard input after the\n"
    "secrets) keeps the notes out of them. export --output creates OUTFILE readable by you alone.\n"
    "analyze exits with 0 when it found nothing to change, 1 when it found something, 2 when it could not check.\n"
    "totp prints the one-time code of the first line of the site's notes that is otpauth://totp/... or\n"
    "totp: SECRET, now or at --at UNIX-SECONDS; it exits with 1 when no line is, 2 when that line gives no code.\n"
    "A sealed file is encrypted and authenticated; a classic file only obscures its sites, and anyone who has it\n"
    "can read them. seal makes a file sealed, unseal classic again (it asks first on a terminal; --yes answers\n"
    "from a script); a sealed file takes a new password, never the classic one. Its key costs about a second\n"
    "to derive on this machine; --cost SECONDS chooses another time (0.1 to 60). info tells a file's kind and\n"
    "key derivation cost without its password.\n"
    "merge adds the sites of OTHER (its password asked after FILE's) that FILE lacks; a site whose name FILE has\n"
    "with other fields is added too and told as a conflict, so both versions stay. OTHER is never written.\n"
    "merge --conflicts merges the sync tools' conflict copies of FILE lying beside it, each copy's password asked\n"
    "only when it is not FILE's, saves FILE and then moves the copies to the trash. Only regular files of yours\n"
    "count as copies: a link or another user's file is named and left alone. A copy without a file password is\n"
    "merged into a FILE that has one only with --include-unprotected.\n"
    "import reads another password manager's export, its format told by its header or shape, or named with\n"
    "--format lockwarden, chrome, firefox, safari, bitwarden-csv, bitwarden-json, keepassxc-csv, keepass-xml,\n"
    "1password, lastpass or protonpass. A site equal in all five fields to one already there is skipped; one whose\n"
    "name is there with other fields is added and told as a conflict. --dry-run only counts; --remove-source\n"
    "overwrites and removes the export, which holds every password in clear, once the import is saved.\n";

struct CCommand {
    const char* pszName;
    std::size_t nPositional;
    std::vector<COptionSpec> options;
    int (*run)(CCli&, const CArgs&);
};

const std::vector<CCommand>& Commands() {
    static const std::vector<CCommand> commands = {
        {"create", 1, {{"--sealed", EArg::flag}, {"--cost", EArg::value}}, CmdCreate},
        {"list", 1, {}, CmdList},
        {"find", 2, {}, CmdFind},
        {"show", 2, {{"--nth", EArg::value}, {"--reveal", EArg::flag}}, CmdShow},
        {"add",
         2,
         {{"--url", EArg::value},
          {"--user", EArg::value},
          {"--notes", EArg::value},
          {"--notes-file", EArg::value},
          {"--generate", EArg::optionalValue}},
         CmdAdd},
        {"edit",
         2,
         {{"--nth", EArg::value},
          {"--name", EArg::value},
          {"--url", EArg::value},
          {"--user", EArg::value},
          {"--notes", EArg::value},
          {"--notes-file", EArg::value},
          {"--password", EArg::flag},
          {"--generate", EArg::optionalValue}},
         CmdEdit},
        {"rm", 2, {{"--nth", EArg::value}}, CmdRemove},
        {"passwd", 1, {}, CmdPasswd},
        {"seal", 1, {{"--cost", EArg::value}}, CmdSeal},
        {"unseal", 1, {{"--yes", EArg::flag}}, CmdUnseal},
        {"info", 1, {}, CmdInfo},
        {"export", 1, {{"--format", EArg::value}, {"--output", EArg::value}, {"--force", EArg::flag}}, CmdExport},
        {"import",
         2,
         {{"--format", EArg::value}, {"--dry-run", EArg::flag}, {"--remove-source", EArg::flag}},
         CmdImport},
        {"merge",
         2,
         {{"--dry-run", EArg::flag}, {"--conflicts", EArg::flag}, {"--include-unprotected", EArg::flag}},
         CmdMerge},
        {"generate",
         0,
         {{"--length", EArg::value},
          {"--no-mixed-case", EArg::flag},
          {"--no-digits", EArg::flag},
          {"--no-punctuation", EArg::flag},
          {"--count", EArg::value}},
         CmdGenerate},
        {"analyze", 1, {{"--breached", EArg::value}, {"--json", EArg::flag}}, CmdAnalyze},
        {"totp", 2, {{"--nth", EArg::value}, {"--at", EArg::value}}, CmdTotp},
    };
    return commands;
}

// What the option parser cannot see: values out of range and options that exclude each other.
bool CheckValues(const CCommand& command, CArgs& args, CUsageError& error) {
    std::size_t n = 0;
    for (const char* pszName : {"--generate", "--length"}) {
        const auto value = args.Value(pszName);
        if (!value)
            continue;
        if (!ParseNumber(*value, 0, kMaxLength, n)) {
            error.strReason = std::string(pszName) + " takes a length from 0 to " + std::to_string(kMaxLength);
            return false;
        }
        args.nLength = n;
    }
    if (const auto value = args.Value("--count")) {
        if (!ParseNumber(*value, 0, kMaxCount, n)) {
            error.strReason = "--count takes a number from 0 to " + std::to_string(kMaxCount);
            return false;
        }
        args.nCount = n;
    }
    if (const auto value = args.Value("--format")) {
        if (std::strcmp(command.pszName, "import") == 0) {
            if (!SiteImport::FormatByName(*value)) {
                std::string strNames;
                for (const SiteImport::CFormat& format : SiteImport::Formats())
                    strNames += std::string(strNames.empty() ? "" : ", ") + format.pszName;
                error.strReason = "--format of import is one of " + strNames;
                return false;
            }
        } else if (*value != "json" && !SiteExport::LayoutByName(*value)) {
            error.strReason = "--format is csv, json, bitwarden-csv or keepassxc-csv";
            return false;
        }
    }
    if (args.Has("--dry-run") && args.Has("--remove-source")) {
        error.strReason = "--dry-run writes nothing and removes nothing: it does not go with --remove-source";
        return false;
    }
    if (const auto value = args.Value("--nth")) {
        if (!ParseNumber(*value, 1, kMaxPlace, n)) {
            error.strReason = "--nth takes a place from 1";
            return false;
        }
        args.nNth = n;
    }
    if (const auto value = args.Value("--at")) {
        if (!ParseNumber(*value, 0, kMaxTime, n)) {
            error.strReason = "--at takes a time in whole seconds since 1970, from 0";
            return false;
        }
        args.nAt = n;
    }
    if (args.Has("--notes") && args.Has("--notes-file")) {
        error.strReason = "--notes and --notes-file exclude each other";
        return false;
    }
    if (args.Has("--include-unprotected") && !args.Has("--conflicts")) {
        error.strReason = "--include-unprotected goes with --conflicts";
        return false;
    }
    if (const auto value = args.Value("--cost")) {
        char* pEnd = nullptr;
        const double fSeconds = std::strtod(value->c_str(), &pEnd);
        if (value->empty() || *pEnd != '\0' || !(fSeconds >= kMinCostSeconds && fSeconds <= kMaxCostSeconds)) {
            error.strReason = "--cost takes seconds from 0.1 to 60";
            return false;
        }
        args.fCostSeconds = fSeconds;
    }
    if (args.Has("--cost") && std::strcmp(command.pszName, "create") == 0 && !args.Has("--sealed")) {
        error.strReason = "--cost goes with --sealed";
        return false;
    }
    if (args.Has("--force") && !args.Has("--output")) {
        error.strReason = "--force goes with --output";
        return false;
    }
    if (args.Has("--password") && args.Has("--generate")) {
        error.strReason = "--password and --generate exclude each other";
        return false;
    }
    if (std::strcmp(command.pszName, "edit") == 0 && args.options.size() == (args.Has("--nth") ? 1u : 0u)) {
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
    // merge --conflicts finds the other files itself.
    const bool bConflicts = pCommand->run == CmdMerge && parsed.Has("--conflicts");
    const std::size_t nPositional = bConflicts ? 1 : pCommand->nPositional;
    if (parsed.positional.size() != nPositional)
        return UsageError(pErr, std::string(pCommand->pszName) + (bConflicts ? " --conflicts" : "") + " takes " +
                                    std::to_string(nPositional) + (nPositional == 1 ? " argument" : " arguments"));
    CCli cli(pIn, pOut, pErr);
    // Every command but generate names a database first. The document keeps its path as text, so a
    // name that is not valid UTF-8 would reach the disk as another name: refused before anything happens.
    if (pCommand->nPositional > 0) {
        const std::string& strFile = parsed.positional[0];
        if (QFile::encodeName(PathOf(strFile)).toStdString() != strFile) {
            cli.FailAbout(strFile, "a database name must be valid UTF-8");
            return kExitFailure;
        }
        cli.m_prompts.SetFile(ToDisplayText(strFile));
    }
    const int nExit = pCommand->run(cli, parsed);
    return cli.m_bInputRefused ? kExitUsage : nExit;
}
