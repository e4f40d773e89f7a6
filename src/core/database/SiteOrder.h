#pragma once

#include "core/database/SiteDatabaseFormat.h"
#include "core/database/SiteInfo.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The order of the site list: alphabetical without regard to case, equal names in record order.
//
// Names are compared as the program displays them (UTF-8, else Windows-1252; see platform/Text.h),
// case-folded the way QString::compare(..., Qt::CaseInsensitive) folds, rather than byte by byte:
// "Émile" and "émile" belong side by side in a list a person reads, which an ASCII-only fold would
// not give for names typed in any language but English. The result always has the sign of
// QString::compare(ToDisplayText(a), ToDisplayText(b), Qt::CaseInsensitive).

// Negative, zero or positive as strA sorts before, with or after strB.
int CompareSiteNames(std::string_view strA, std::string_view strB);

// A byte string whose plain byte order (memcmp, then length) is the order of CompareSiteNames: the
// folded UTF-16 units, each written in UTF-8 form, which keeps their order and leaves ASCII names as
// their lower case. Computing it once per name is what makes sorting a large database cheap.
std::string SiteSortKey(std::string_view strName);

// The indices of the records in list order: sorted by name, equal names in the order of sites.
std::vector<std::size_t> SiteListOrder(const CSiteArray& sites);
// The same for site names alone, given in record order.
std::vector<std::size_t> SiteListOrder(const std::vector<std::string>& names);
std::vector<std::size_t> SiteListOrder(const CSiteNameList& names);
