#pragma once

#include "core/database/SiteInfo.h"
#include "core/tools/SiteCsv.h"
#include "core/database/SiteMerge.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CLockwardenDoc;

// Reading what other password managers export, into the file's five fields. Site, URL, user, password and
// notes map as each layout names them; everything else that has a value joins the notes after the user's own
// notes as "Label: value" lines, and a one-time-password secret as an otpauth:// line of its own, so nothing a
// user had is dropped. Line breaks in notes become CR LF, as the notes field stores them. CSV goes through
// SiteCsv's reader, JSON through QJsonDocument and XML through QXmlStreamReader.
namespace SiteImport {

enum class EFormat {
    lockwarden,
    chrome,
    firefox,
    safari,
    bitwardenCsv,
    bitwardenJson,
    keepassxcCsv,
    keepassXml,
    onePassword,
    lastPass,
    protonPass,
};

struct CFormat {
    EFormat format;
    // As --format takes it: "bitwarden-csv".
    const char* pszName;
    // As it is shown: "Bitwarden CSV".
    const char* pszTitle;
};
// Every format, in the order they are listed.
const std::vector<CFormat>& Formats();
std::optional<EFormat> FormatByName(std::string_view strName);
const CFormat& FormatOf(EFormat format);
// "Lockwarden CSV, Chrome CSV (...), ...": the list a refused file is told.
QString FormatTitles();

// The rows of an export, wiped when it goes.
struct CImport {
    EFormat format = EFormat::lockwarden;
    std::vector<SiteCsv::Row> rows;
    // Items that are not logins nor secure notes (cards, identities), skipped.
    std::size_t nNotLogins = 0;

    CImport() = default;
    ~CImport();
    CImport(const CImport&) = delete;
    CImport& operator=(const CImport&) = delete;
    // Whether the format holds items that are skipped, so the count of them is worth telling.
    bool CanSkipNotLogins() const;
};

// Reads a whole export: the format as given, or else detected (a JSON document is Bitwarden's, an XML one
// KeePass's, a CSV file's is the format whose columns its header names, in any case and order). False on the
// first fault, with the line (or the path inside the document) and the reason; result then holds nothing.
bool Read(std::string_view text, std::optional<EFormat> format, CImport& result, std::string& strError);
// The same for a file; the text is wiped once read. The reason comes with the system's text or the line.
bool ReadFile(const QString& strPath, std::optional<EFormat> format, CImport& result, QString& strError);

// What an import would do to the sites, by the merge's rule: a row equal in all five fields to a site there or
// to an earlier row is skipped; a row whose name is there with other fields is added and told as a conflict.
struct CImportPlan {
    // Every row as a site, in file order; merge.toAdd points into it.
    CSiteArray sites;
    CMergePlan merge;
    // The format the rows were read as.
    EFormat format = EFormat::lockwarden;
    std::size_t nNotLogins = 0;
    bool bCanSkipNotLogins = false;

    std::size_t Added() const { return merge.toAdd.size(); }
    std::size_t SkippedIdentical() const { return sites.size() - merge.toAdd.size(); }
    std::size_t Conflicts() const { return merge.conflicts.size(); }
};
// The rows move into plan.sites.
void PlanImport(const CSiteArray& mine, CImport& imported, CImportPlan& plan);
// Reads a file as ReadFile does and plans its import against mine.
bool PlanFile(const QString& strPath, std::optional<EFormat> format, const CSiteArray& mine, CImportPlan& plan,
              QString& strError);
// Adds the planned sites to the document, in order, each through AddSite.
void AddPlanned(CLockwardenDoc& doc, const CImportPlan& plan);
// "added: N", "skipped identical: N", "conflicts: N" and, where the format has them, "skipped not logins: N",
// one a line, each ended by a line feed.
std::string CountLines(const CImportPlan& plan);

} // namespace SiteImport
