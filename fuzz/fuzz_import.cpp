// Reads arbitrary bytes as another password manager's export, once with the format detected and once with
// the format the input's length names, so every reader (CSV layouts, Bitwarden's JSON, KeePass's XML) is
// reached. A file may only be refused, with a reason and no rows; whatever is accepted has valid site names,
// notes with CR LF breaks only (the program's own CSV keeps its bytes), and imported a second time over itself
// adds nothing.
#include "core/database/SiteName.h"
#include "core/tools/SiteImport.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(std::string_view text, std::optional<SiteImport::EFormat> format) {
    SiteImport::CImport imported;
    std::string strError;
    if (!SiteImport::Read(text, format, imported, strError)) {
        if (strError.empty() || !imported.rows.empty())
            std::abort();
        return;
    }
    for (const SiteCsv::Row& row : imported.rows) {
        if (row[0].empty() || HasControlCharacter(row[0]))
            std::abort();
        if (imported.format == SiteImport::EFormat::lockwarden)
            continue;
        const std::string& strNotes = row[4];
        for (std::size_t i = 0; i < strNotes.size(); ++i)
            if ((strNotes[i] == '\n' && (i == 0 || strNotes[i - 1] != '\r')) ||
                (strNotes[i] == '\r' && (i + 1 == strNotes.size() || strNotes[i + 1] != '\n')))
                std::abort();
    }
    SiteImport::CImportPlan once;
    SiteImport::PlanImport({}, imported, once);
    SiteImport::CImport again;
    if (!SiteImport::Read(text, format, again, strError))
        std::abort();
    SiteImport::CImportPlan twice;
    SiteImport::PlanImport(once.sites, again, twice);
    if (twice.Added() != 0 || twice.Conflicts() != 0 || once.Added() + once.SkippedIdentical() != once.sites.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    Check(text, std::nullopt);
    const auto& formats = SiteImport::Formats();
    Check(text, formats[nSize % formats.size()].format);
    return 0;
}
