// Reads arbitrary bytes as a CSV file to import. A file may only be refused, with a line inside the text
// and a reason; whatever is accepted holds no empty site name nor a control character in one, and
// writes back as CSV that reads to the same rows.
#include "core/database/SiteName.h"
#include "core/tools/SiteCsv.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    std::vector<SiteCsv::Row> rows;
    std::size_t nLine = 0;
    std::string strError;
    if (!SiteCsv::Parse(text, rows, nLine, strError)) {
        const std::size_t nLines = 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        if (strError.empty() || nLine < 1 || nLine > nLines)
            std::abort();
        return 0;
    }
    std::string strWritten = std::string(SiteCsv::kHeader) + "\r\n";
    for (const SiteCsv::Row& row : rows) {
        if (row[0].empty() || HasControlCharacter(row[0]))
            std::abort();
        SiteCsv::AppendRow(strWritten, row);
    }
    std::vector<SiteCsv::Row> again;
    if (!SiteCsv::Parse(strWritten, again, nLine, strError) || again != rows)
        std::abort();
    return 0;
}
