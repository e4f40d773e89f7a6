#include "core/database/SiteMerge.h"

#include "core/database/FileReading.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/database/SiteOrder.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

bool SameFields(const CSiteInfo& a, const CSiteInfo& b) {
    return a.m_strSite == b.m_strSite && a.m_strURL == b.m_strURL && a.m_strUser == b.m_strUser &&
           a.m_strPswd == b.m_strPswd && a.m_strNotes == b.m_strNotes;
}

} // namespace

CMergePlan PlanMerge(const CSiteArray& mine, const CSiteArray& other) {
    // The sites by the list's key of their name, so each other site is compared with its namesakes only.
    // Hashed: an import plans a hundred thousand rows at once.
    std::unordered_map<std::string, std::vector<const CSiteInfo*>> byName;
    byName.reserve(mine.size() + other.size());
    for (const auto& pSite : mine)
        byName[SiteSortKey(pSite->m_strSite)].push_back(pSite.get());
    // Namesakes within the other file alone are its own business, not a conflict between the two.
    std::unordered_map<std::string, std::size_t> mineCount;
    mineCount.reserve(byName.size());
    for (const auto& [strKey, sites] : byName)
        mineCount.emplace(strKey, sites.size());
    CMergePlan plan;
    std::unordered_set<std::string> conflictKeys;
    for (const auto& pSite : other) {
        std::string strKey = SiteSortKey(pSite->m_strSite);
        std::vector<const CSiteInfo*>& namesakes = byName[strKey];
        if (std::any_of(namesakes.begin(), namesakes.end(), [&](const CSiteInfo* p) { return SameFields(*p, *pSite); }))
            continue;
        if (mineCount.contains(strKey) && conflictKeys.insert(std::move(strKey)).second)
            plan.conflicts.push_back(pSite->m_strSite);
        namesakes.push_back(pSite.get());
        plan.toAdd.push_back(pSite.get());
    }
    return plan;
}

namespace {

void TakeSites(CLockwardenDoc& doc, const CLockwardenDoc& other, CMergeResult& result, bool bDryRun) {
    const CMergePlan plan = PlanMerge(doc.Sites(), other.Sites());
    result = CMergeResult();
    result.nAdded = plan.toAdd.size();
    result.conflicts = plan.conflicts;
    for (const CSiteInfo* pSite : plan.toAdd) {
        result.added.push_back(pSite->m_strSite);
        if (!bDryRun)
            doc.AddReadSite(std::make_unique<CSiteInfo>(*pSite));
    }
}

} // namespace

bool MergeFileInto(CLockwardenDoc& doc, const QString& strPath, CPrompts& prompts, std::string_view strKnown,
                   CMergeResult& result, bool bDryRun, bool bAdoptStamp) {
    CFileReading reading(prompts);
    if (!reading.Open(strPath, strKnown))
        return false;
    TakeSites(doc, reading.Doc(), result, bDryRun);
    if (!bDryRun && bAdoptStamp) {
        doc.AdoptFileStampOf(reading.Doc());
    }
    return true;
}

EMergeRead MergeCopyInto(CLockwardenDoc& doc, const QString& strPath, CPrompts& prompts, std::string_view strKnown,
                         const CCopyCheck& check, CMergeResult& result, QString& strReason, bool bDryRun) {
    CFileReading reading(prompts);
    if (!reading.Open(strPath, strKnown))
        return EMergeRead::failed;
    // Swapped for a link or another file after it was looked at: what was read is not the copy.
    const FileAccess::CFileStamp& read = reading.Doc().FileStamp();
    if (!read.bValid || read.nDevice != check.stamp.nDevice || read.nInode != check.stamp.nInode) {
        strReason = QStringLiteral("it was replaced while it was read");
        return EMergeRead::replaced;
    }
    using EFileKind = CLockwardenDoc::EFileKind;
    if (reading.Doc().GetFileKind() == EFileKind::noPassword && doc.GetFileKind() != EFileKind::noPassword &&
        (!check.acceptUnprotected || !check.acceptUnprotected())) {
        strReason = QStringLiteral("it has no file password");
        return EMergeRead::unprotected;
    }
    TakeSites(doc, reading.Doc(), result, bDryRun);
    return EMergeRead::merged;
}

QString MergeSummaryText(const QString& strFileName, const CMergeResult& result) {
    QString strText = LoadString(IDS_MERGE_SUMMARY).arg(result.nAdded).arg(strFileName);
    if (!result.conflicts.empty()) {
        QStringList names;
        for (const std::string& strName : result.conflicts)
            names << ToDisplayText(strName);
        strText += LoadString(IDS_MERGE_CONFLICTS).arg(names.join(QLatin1Char('\n')));
    }
    return strText;
}
