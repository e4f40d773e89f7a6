#pragma once

#include "core/database/SiteInfo.h"
#include "core/platform/FileAccess.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CLockwardenDoc;
class CPrompts;

// Merging another file's sites into the document. The file keeps no times or identities, so the rule
// goes by content:
// - a site equal in all five fields to one already there (or already added) counts once;
// - a site whose name (as the list compares names) is not there at all is added;
// - a site whose name is there with other fields is added as well, and its name reported as a
//   conflict: both versions stay, for the user to settle (the list and --nth reach either).
// Nothing is ever dropped, so merging two files in either order loses nothing, and merging again adds
// nothing.
struct CMergePlan {
    // The other file's sites to add, in its file order.
    std::vector<const CSiteInfo*> toAdd;
    // The names with two versions, once each, as the other file spells them, in its file order.
    std::vector<std::string> conflicts;
};

CMergePlan PlanMerge(const CSiteArray& mine, const CSiteArray& other);

struct CMergeResult {
    std::size_t nAdded = 0;
    std::vector<std::string> conflicts;
    // The names of the sites added, in the order added.
    std::vector<std::string> added;
};

// Reads the file at strPath through the program's own open (its password asked through prompts; strKnown,
// when not empty, tried first), and adds to the document what the merge rule adds, each through AddSite.
// With bDryRun the document is left as it is. False when the file could not be read (already told).
// The other file is never written. With bAdoptStamp (a save merging the file it is about to replace) the
// document takes the time and stamp of the file that was merged.
// What is checked before anything is taken from a conflict copy, which anyone who may write the folder
// could have put there.
struct CCopyCheck {
    // The copy as it was found (CheckConflictCopy): the file read must be that one, not one put in its place.
    FileAccess::CFileStamp stamp;
    // Asked when the copy has no file password and the document has one; No leaves the copy out.
    std::function<bool()> acceptUnprotected;
};
// merged; failed (could not be read, already told); or refused: replaced while it was read, or unprotected
// and not accepted.
enum class EMergeRead { merged, failed, replaced, unprotected };

bool MergeFileInto(CLockwardenDoc& doc, const QString& strPath, CPrompts& prompts, std::string_view strKnown,
                   CMergeResult& result, bool bDryRun = false, bool bAdoptStamp = false);
// The same for a conflict copy: refused (nothing taken, strReason says why) when the file read is not the
// one checked, or when it has no password, the document has one and the user does not agree.
EMergeRead MergeCopyInto(CLockwardenDoc& doc, const QString& strPath, CPrompts& prompts, std::string_view strKnown,
                         const CCopyCheck& check, CMergeResult& result, QString& strReason, bool bDryRun = false);

// "Merged N sites from FILE." and the conflicting names, for the summary message.
QString MergeSummaryText(const QString& strFileName, const CMergeResult& result);
