#include "cli/CliMerge.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/platform/Trash.h"
#include "core/tools/ConflictCopies.h"
#include "core/tools/SiteMerge.h"

#include <QFile>

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

// Every conflict copy beside the file, each tried with the file's password before its own is asked for;
// the file is saved, and only then do the copies go to the trash. A copy that cannot be read stops it all
// before anything is written.
int MergeConflictCopies(CCli& cli, bool bDryRun) {
    const QStringList copies = FindConflictCopies(cli.m_doc.GetPathName());
    std::size_t nAdded = 0;
    std::size_t nConflicts = 0;
    for (const QString& strCopy : copies) {
        CMergeResult result;
        const std::string strKnown(cli.m_doc.GetFilePassword());
        if (!MergeOne(cli, QFile::encodeName(strCopy).toStdString(), strKnown, bDryRun, result))
            return kExitFailure;
        nAdded += result.nAdded;
        nConflicts += result.conflicts.size();
    }
    cli.WriteLine(std::to_string(copies.size()) + " conflict copies, " + std::to_string(nAdded) + " added, " +
                  std::to_string(nConflicts) + " in conflict" + (bDryRun ? "; nothing was written" : ""));
    if (bDryRun || copies.empty())
        return cli.Finish();
    if (nAdded > 0) {
        cli.m_doc.SetModifiedFlag(true);
        if (!cli.Save())
            return kExitFailure;
    }
    bool bAllTrashed = true;
    for (const QString& strCopy : copies) {
        int nError = 0;
        if (MoveToTrash(strCopy, nError)) {
            cli.WriteField("trashed: ", QFile::encodeName(strCopy).toStdString());
        } else {
            cli.FailAbout(QFile::encodeName(strCopy).toStdString(), GetLastErrorText(nError).toStdString());
            bAllTrashed = false;
        }
    }
    const int nExit = cli.Finish();
    return bAllTrashed ? nExit : kExitFailure;
}

} // namespace

int CmdMerge(CCli& cli, const CArgs& args) {
    const bool bDryRun = args.Has("--dry-run");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    if (args.Has("--conflicts"))
        return MergeConflictCopies(cli, bDryRun);
    CMergeResult result;
    if (!MergeOne(cli, args.positional[1], {}, bDryRun, result))
        return kExitFailure;
    cli.WriteLine(std::to_string(result.nAdded) + " added, " + std::to_string(result.conflicts.size()) +
                  " in conflict" + (bDryRun ? "; nothing was written" : ""));
    if (bDryRun || result.nAdded == 0)
        return cli.Finish();
    return cli.SaveChanges();
}
