#include "cli/CliRead.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "cli/Csv.h"
#include "cli/Json.h"
#include "core/database/SiteInfo.h"
#include "core/platform/Text.h"
#include "core/tools/PasswordPool.h"
#include "core/tools/SiteNameMatch.h"
#include "core/tools/SiteOrder.h"

#include <cstdio>

int CmdList(CCli& cli, const CArgs& args) {
    CSiteNameList names;
    if (!cli.OpenNames(PathOf(args.positional[0]), names))
        return kExitFailure;
    for (std::size_t i : SiteListOrder(names))
        cli.WriteLine(names[i]);
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
            cli.WriteLine(names[i]);
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

int CmdExport(CCli& cli, const CArgs& args) {
    const std::string strFormat = args.Value("--format").value_or("csv");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    cli.m_prompts.Warn(QStringLiteral("warning: the export shows every password in clear text."));
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
                Json::AppendString(out, *fields[k]);
            }
            out += "}";
        }
        out += sites.empty() ? "]\n" : "\n]\n";
    }
    return cli.Finish();
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
