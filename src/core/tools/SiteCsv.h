#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CLockwardenDoc;
class CSiteInfo;

// The sites as CSV, for the window's Import CSV and Export CSV and the companion's import and export: RFC
// 4180 with the header "site,url,user,password,notes" and CR LF line ends. Fields are bytes, written as
// stored; a field is quoted when it holds a comma, a quote, CR or LF. A field beginning with =, +, -, @, a
// tab or CR (a spreadsheet formula, which could send the row's password away) is written after a "'",
// and so is one that begins with "'" and then such a character; Parse takes exactly that one "'" away.
namespace SiteCsv {

inline constexpr const char* kHeader = "site,url,user,password,notes";
inline constexpr std::size_t kFieldCount = 5;

using Row = std::array<std::string, kFieldCount>;

// One record as a line of CSV, CR LF included.
void AppendRow(std::string& strOut, const Row& row);
// The same for fields held elsewhere, which are not copied (they are secrets).
void AppendRow(std::string& strOut, const std::array<std::string_view, kFieldCount>& row);
// A site's five fields as a line of CSV.
void AppendSite(std::string& strOut, const CSiteInfo& site);

// Reads a whole CSV text: the header (in any case, after a UTF-8 byte-order mark if there is one), then
// one row of five fields per record; empty lines at the end are left. LF alone is taken as a line end
// too. A record may span lines inside quotes. A site name is neither empty nor holds a control character. False on the
// first fault, with the line on which its record starts (from 1) and the reason; rows is then incomplete.
bool Parse(std::string_view text, std::vector<Row>& rows, std::size_t& nErrorLine, std::string& strError);
// A fault of Parse as it is shown: "line 3: a quoted field is not closed".
QString LineErrorText(std::size_t nLine, const std::string& strError);

// The rows of a CSV file, every one checked before any is returned: false with the system's reason or the
// line error. The file's text is wiped once read.
bool ReadFile(const QString& strPath, std::vector<Row>& rows, QString& strError);
// Wipes every field of rows and empties it.
void WipeRows(std::vector<Row>& rows);
// Wipes the rows when it goes out of scope, however the work with them ends.
struct CWipeRowsOnExit {
    std::vector<Row>& rows;
    ~CWipeRowsOnExit() { WipeRows(rows); }
};

// Adds every row to the document as a site at the end of the file, in order, through AddSite (which marks
// it modified and tells the list); the rows' fields move into the sites.
void AddSites(CLockwardenDoc& doc, std::vector<Row>& rows);

} // namespace SiteCsv
