#include "cli/CliMerge.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/platform/Trash.h"
#include "core/tools/ConflictCopies.h"
#include "core/database/SiteMerge.h"

#include <QFile>

#include <string>

namespace {

void WriteMergeResult(CCli& cli, const CMergeResult& result) {
    for (const std::string& strName : result.added)
        cli.WriteField("added: ", strName);
    for (const std::string& strName : result.conflicts)
        cli.WriteField("conflict: ", strName);
}

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
    WriteMergeResult(cli, result);
    return true;
}

// Every conflict copy beside the file, each tried with the file's password before its own is asked for;
// the file is saved, and only then do the copies go to the trash. A copy that cannot be read stops it all
// before anything is written. What only bears a copy's name (a link, another user's file) is named and
// left alone, and so is a copy without a password unless bIncludeUnprotected says to take it.
int MergeConflictCopies(CCli& cli, bool bDryRun, bool bIncludeUnprotected) {
    const auto skip = [&cli](const QString& strCopy, const QString& strReason) {
        cli.m_prompts.Warn(
            QStringLiteral("skipped %1: %2").arg(ToDisplayText(QFile::encodeName(strCopy).toStdString()), strReason));
    };
    std::vector<CSkippedCopy> skipped;
    const QStringList found = FindConflictCopies(cli.m_doc.GetPathName(), &skipped);
    for (const CSkippedCopy& copy : skipped)
        skip(copy.strPath, copy.strReason);
    QStringList copies;
    std::size_t nAdded = 0;
    std::size_t nConflicts = 0;
    bool bAllMerged = true;
    for (const QString& strCopy : found) {
        const std::string strCopyName = QFile::encodeName(strCopy).toStdString();
        CCopyCheck check;
        QString strReason;
        // Looked at again for the stamp the file read must match.
        if (!CheckConflictCopy(strCopy, check.stamp, strReason)) {
            skip(strCopy, strReason);
            continue;
        }
        check.acceptUnprotected = [bIncludeUnprotected] { return bIncludeUnprotected; };
        CMergeResult result;
        const std::string strKnown(cli.m_doc.GetFilePassword());
        const QString strFile = cli.m_prompts.File();
        cli.m_prompts.SetFile(ToDisplayText(strCopyName));
        cli.m_prompts.ExpectAnotherFile();
        const EMergeRead read =
            MergeCopyInto(cli.m_doc, strCopy, cli.m_prompts, strKnown, check, result, strReason, bDryRun);
        cli.m_prompts.SetFile(strFile);
        if (read == EMergeRead::failed)
            return kExitFailure;
        if (read != EMergeRead::merged) {
            cli.FailAbout(strCopyName,
                          strReason.toStdString() + "; it was not merged" +
                              (read == EMergeRead::unprotected ? " (--include-unprotected merges it)" : ""));
            bAllMerged = false;
            continue;
        }
        WriteMergeResult(cli, result);
        copies << strCopy;
        nAdded += result.nAdded;
        nConflicts += result.conflicts.size();
    }
    cli.WriteLine(std::to_string(copies.size()) + " conflict copies, " + std::to_string(nAdded) + " added, " +
                  std::to_string(nConflicts) + " in conflict" + (bDryRun ? "; nothing was written" : ""));
    if (bDryRun || copies.empty()) {
        const int nExit = cli.Finish();
        return bAllMerged ? nExit : kExitFailure;
    }
    if (nAdded > 0) {
        cli.m_doc.SetModifiedFlag(true);
        if (!cli.Save())
            return kExitFailure;
    }
    for (const QString& strCopy : copies) {
        int nError = 0;
        bool bDeleted = false;
        const std::string strCopyName = QFile::encodeName(strCopy).toStdString();
        if (MoveToTrash(strCopy, nError, bDeleted)) {
            cli.WriteField(bDeleted ? "deleted: " : "trashed: ", strCopyName);
        } else {
            cli.FailAbout(strCopyName, GetLastErrorText(nError).toStdString());
            bAllMerged = false;
        }
    }
    const int nExit = cli.Finish();
    return bAllMerged ? nExit : kExitFailure;
}

} // namespace

int CmdMerge(CCli& cli, const CArgs& args) {
    const bool bDryRun = args.Has("--dry-run");
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    if (args.Has("--conflicts"))
        return MergeConflictCopies(cli, bDryRun, args.Has("--include-unprotected"));
    CMergeResult result;
    if (!MergeOne(cli, args.positional[1], {}, bDryRun, result))
        return kExitFailure;
    cli.WriteLine(std::to_string(result.nAdded) + " added, " + std::to_string(result.conflicts.size()) +
                  " in conflict" + (bDryRun ? "; nothing was written" : ""));
    if (bDryRun || result.nAdded == 0)
        return cli.Finish();
    return cli.SaveChanges();
}
