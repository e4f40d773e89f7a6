#pragma once

#include "core/database/SiteInfo.h"

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

// The sites as CSV in the layout of the program a user moves to: the program's own, Bitwarden's or
// KeePassXC's. Fields are written as stored, through SiteCsv's writer; the other layouts' columns the file
// has nothing for stay empty.
namespace SiteExport {

enum class ELayout { lockwarden, bitwardenCsv, keepassxcCsv };

// As export --format takes it: "csv", "bitwarden-csv", "keepassxc-csv".
std::optional<ELayout> LayoutByName(std::string_view strName);
// The file dialog's filters, one per layout in ELayout's order.
QStringList LayoutFilters();

// The header line, CR LF included.
std::string_view Header(ELayout layout);
// One site as a line of the layout.
void AppendSite(std::string& strOut, ELayout layout, const CSiteInfo& site);
// The whole file for these sites, held in one buffer sized once: growing it would leave copies of the
// passwords in freed memory.
void WriteAll(std::string& strOut, ELayout layout, const CSiteArray& sites);

} // namespace SiteExport
