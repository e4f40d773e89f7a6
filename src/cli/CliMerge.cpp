#include "cli/CliMerge.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "core/platform/Text.h"
#include "core/tools/SiteMerge.h"

#include <string>

namespace {

// Reads OTHER with its own password (strKnown, when not empty, tried first), its messages naming it,
// and merges; then tells what was added and which names conflict.
bool MergeOne(CCli& cli, const std::string& strOther, std::string_view strKnown, bool bDryRun, CMergeResult& result) {
    const QString strFile = cli.m_prompts.File();
    cli.m_prompts.SetFile(ToDisplayText(strOther));
    cli.m_prompts.ExpectAnotherFile();
    const bool bRead = MergeFileInto(cli.m_doc, PathOf(strOther), cli.m_prompts, strKnown, result, bDryRun);
    cli.m_prompts.SetFile(strFile);
    if (!bRead)
        return false;
    for (const std::string& strName : result.added)
        cli.WriteField("added: ", strName);
    for (const std::string& strName : result.conflicts)
        cli.WriteField("conflict: ", strName);
    return true;
}

} // namespace

int CmdMerge(CCli& cli, const CArgs& args) {
    const bool bDryRun = args.Has("--dry-run");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    CMergeResult result;
    if (!MergeOne(cli, args.positional[1], {}, bDryRun, result))
        return kExitFailure;
    cli.WriteLine(std::to_string(result.nAdded) + " added, " + std::to_string(result.conflicts.size()) +
                  " in conflict" + (bDryRun ? "; nothing was written" : ""));
    if (bDryRun || result.nAdded == 0)
        return cli.Finish();
    return cli.SaveChanges();
}
