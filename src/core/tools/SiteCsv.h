#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class CSiteInfo;

// The sites as CSV, for the window's Import and Export CSV and the companion's import and export: RFC
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
// Any number of fields as a line of CSV, for the layouts of other programs. Their fields are written exactly:
// the program that imports them would keep a spreadsheet's guard as part of a password.
void AppendFields(std::string& strOut, std::initializer_list<std::string_view> fields);
// Takes away the one "'" our own CSV writes before a field a spreadsheet would run as a formula.
void Unguard(std::string& strField);
// A site's five fields as a line of CSV.
void AppendSite(std::string& strOut, const CSiteInfo& site);

// One record of a CSV text, with the line it starts on (from 1).
struct Record {
    std::size_t nLine = 0;
    std::vector<std::string> fields;
};
// Reads every record of a CSV text, whatever its header, after a UTF-8 byte-order mark if there is one; empty
// lines at the end are left, and an empty text has no record. LF alone is taken as a line end too; a record
// may span lines inside quotes. False on the first fault, with the line on which its record starts and the
// reason; records is then incomplete.
bool ReadRecords(std::string_view text, std::vector<Record>& records, std::size_t& nErrorLine, std::string& strError);
// A record of exactly nExpected fields, none holding a NUL byte; else false with the reason.
bool CheckFieldCount(const Record& record, std::size_t nExpected, std::string& strError);
// A site name that is neither empty nor holds a control character; else false with the reason.
bool CheckSiteName(std::string_view strSite, std::string& strError);
// Wipes every field of records and empties it.
void WipeRecords(std::vector<Record>& records);

// Reads a whole CSV text: the header (in any case, after a UTF-8 byte-order mark if there is one), then
// one row of five fields per record; empty lines at the end are left. LF alone is taken as a line end
// too. A record may span lines inside quotes. A site name is neither empty nor holds a control character. False on the
// first fault, with the line on which its record starts (from 1) and the reason; rows is then incomplete.
bool Parse(std::string_view text, std::vector<Row>& rows, std::size_t& nErrorLine, std::string& strError);
// A fault of Parse as it is shown: "line 3: a quoted field is not closed".
QString LineErrorText(std::size_t nLine, const std::string& strError);

// Wipes every field of rows and empties it.
void WipeRows(std::vector<Row>& rows);

} // namespace SiteCsv
