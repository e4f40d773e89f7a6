#include "core/tools/SiteCsv.h"

#include "core/database/SiteInfo.h"
#include "core/database/SiteName.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QByteArrayAlgorithms>

namespace SiteCsv {

namespace {

std::string Reason(int nID) {
    return LoadString(nID).toStdString();
}

// A field a spreadsheet would take for a formula (=, +, -, @, or a tab or CR before one), or one that only
// looks guarded already: such a field is written after a "'", which the spreadsheet shows as text and
// Parse takes away again, so every field reads back as it was.
bool NeedsGuard(std::string_view field) {
    std::size_t n = 0;
    while (n < field.size() && field[n] == '\'')
        ++n;
    return n < field.size() && std::string_view("=+-@\t\r").find(field[n]) != std::string_view::npos;
}

void AppendField(std::string& strOut, std::string_view field, bool bGuard = true) {
    const std::string_view guard = bGuard && NeedsGuard(field) ? "'" : "";
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        strOut += guard;
        strOut += field;
        return;
    }
    strOut += '"';
    strOut += guard;
    for (char c : field) {
        if (c == '"')
            strOut += '"';
        strOut += c;
    }
    strOut += '"';
}

// Reads records one at a time, counting lines as it goes.
class CReader {
public:
    explicit CReader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_nPos >= m_text.size(); }
    // Nothing but line ends is left: the empty lines an editor or a spreadsheet leaves at the end.
    bool AtTrailingEmptyLines() const {
        for (std::size_t n = m_nPos; n < m_text.size(); n += m_text[n] == '\r' ? 2 : 1)
            if (!IsLineEnd(n))
                return false;
        return true;
    }
    std::size_t Line() const { return m_nLine; }

    // The next record's fields; false with the reason on a fault.
    bool ReadRecord(std::vector<std::string>& fields, std::string& strError) {
        fields.clear();
        for (;;) {
            std::string strField;
            if (!ReadField(strField, strError))
                return false;
            fields.push_back(std::move(strField));
            if (AtEnd())
                return true;
            const char c = m_text[m_nPos];
            if (c == ',') {
                ++m_nPos;
                continue;
            }
            // ReadField stops only at a comma, a line end or the end.
            m_nPos += c == '\r' ? 2 : 1;
            ++m_nLine;
            return true;
        }
    }

private:
    bool IsLineEnd(std::size_t n) const {
        return m_text[n] == '\n' || (m_text[n] == '\r' && n + 1 < m_text.size() && m_text[n + 1] == '\n');
    }

    bool ReadField(std::string& strField, std::string& strError) {
        if (AtEnd() || m_text[m_nPos] != '"') {
            for (; !AtEnd() && m_text[m_nPos] != ',' && !IsLineEnd(m_nPos); ++m_nPos) {
                const char c = m_text[m_nPos];
                if (c == '"') {
                    strError = Reason(IDS_CSV_QUOTE_INSIDE);
                    return false;
                }
                if (c == '\r') {
                    strError = Reason(IDS_CSV_CR_OUTSIDE_QUOTES);
                    return false;
                }
                strField += c;
            }
            return true;
        }
        ++m_nPos; // the opening quote
        for (;;) {
            if (AtEnd()) {
                strError = Reason(IDS_CSV_QUOTE_NOT_CLOSED);
                return false;
            }
            const char c = m_text[m_nPos++];
            if (c == '"') {
                if (AtEnd() || m_text[m_nPos] != '"')
                    break;
                ++m_nPos; // a doubled quote stands for one
            } else if (c == '\n') {
                ++m_nLine;
            }
            strField += c;
        }
        if (!AtEnd() && m_text[m_nPos] != ',' && !IsLineEnd(m_nPos)) {
            strError = Reason(IDS_CSV_TEXT_AFTER_QUOTE);
            return false;
        }
        return true;
    }

    std::string_view m_text;
    std::size_t m_nPos = 0;
    std::size_t m_nLine = 1;
};

} // namespace

void AppendRow(std::string& strOut, const Row& row) {
    AppendRow(strOut, std::array<std::string_view, kFieldCount>{row[0], row[1], row[2], row[3], row[4]});
}

void Unguard(std::string& strField) {
    if (!strField.empty() && strField[0] == '\'' && NeedsGuard(std::string_view(strField).substr(1)))
        strField.erase(0, 1);
}

void AppendRow(std::string& strOut, const std::array<std::string_view, kFieldCount>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            strOut += ',';
        AppendField(strOut, row[i]);
    }
    strOut += "\r\n";
}

void AppendFields(std::string& strOut, std::initializer_list<std::string_view> fields) {
    bool bFirst = true;
    for (std::string_view field : fields) {
        if (!bFirst)
            strOut += ',';
        bFirst = false;
        AppendField(strOut, field, false);
    }
    strOut += "\r\n";
}

void AppendSite(std::string& strOut, const CSiteInfo& site) {
    AppendRow(strOut, std::array<std::string_view, kFieldCount>{site.m_strSite, site.m_strURL, site.m_strUser,
                                                                site.m_strPswd, site.m_strNotes});
}

bool ReadRecords(std::string_view text, std::vector<Record>& records, std::size_t& nErrorLine, std::string& strError) {
    records.clear();
    // Spreadsheets mark their UTF-8 with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    CReader reader(text);
    nErrorLine = reader.Line();
    if (reader.AtEnd())
        return true;
    do {
        nErrorLine = reader.Line();
        Record record{reader.Line(), {}};
        if (!reader.ReadRecord(record.fields, strError)) {
            records.push_back(std::move(record));
            return false;
        }
        records.push_back(std::move(record));
    } while (!reader.AtTrailingEmptyLines());
    return true;
}

bool CheckFieldCount(const Record& record, std::size_t nExpected, std::string& strError) {
    if (record.fields.size() != nExpected) {
        const QString strFields =
            QString::number(record.fields.size()) + QLatin1String(record.fields.size() == 1 ? " field" : " fields");
        strError = LoadString(IDS_CSV_FIELD_COUNT).arg(strFields).arg(nExpected).toStdString();
        return false;
    }
    for (const std::string& strField : record.fields)
        if (strField.find('\0') != std::string::npos) {
            strError = Reason(IDS_CSV_NUL_IN_FIELD);
            return false;
        }
    return true;
}

bool CheckSiteName(std::string_view strSite, std::string& strError) {
    switch (SiteNameFault(strSite)) {
    case ESiteNameFault::none:
        return true;
    case ESiteNameFault::empty:
        strError = Reason(IDS_CSV_SITE_EMPTY);
        return false;
    case ESiteNameFault::control:
        break;
    }
    strError = Reason(IDS_SITE_NAME_CONTROL);
    return false;
}

bool Parse(std::string_view text, std::vector<Row>& rows, std::size_t& nErrorLine, std::string& strError) {
    rows.clear();
    std::vector<Record> records;
    if (!ReadRecords(text, records, nErrorLine, strError)) {
        WipeRecords(records);
        return false;
    }
    if (records.empty()) {
        strError = LoadString(IDS_CSV_HEADER_MISSING).arg(QLatin1String(kHeader)).toStdString();
        return false;
    }
    const std::vector<std::string>& fields = records.front().fields;
    std::string strHeader;
    for (std::size_t i = 0; i < fields.size(); ++i)
        strHeader += (i > 0 ? "," : "") + fields[i];
    // Other programs write the same names in capitals.
    if (fields.size() != kFieldCount ||
        qstrnicmp(strHeader.data(), static_cast<qsizetype>(strHeader.size()), kHeader) != 0) {
        nErrorLine = records.front().nLine;
        strError = LoadString(IDS_CSV_HEADER_WRONG).arg(QLatin1String(kHeader)).toStdString();
        return false;
    }
    for (std::size_t n = 1; n < records.size(); ++n) {
        Record& record = records[n];
        nErrorLine = record.nLine;
        if (!CheckFieldCount(record, kFieldCount, strError) || !CheckSiteName(record.fields[0], strError)) {
            WipeRecords(records);
            return false;
        }
        Row row;
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            row[i] = std::move(record.fields[i]);
            Unguard(row[i]);
        }
        rows.push_back(std::move(row));
    }
    WipeRecords(records);
    return true;
}

QString LineErrorText(std::size_t nLine, const std::string& strError) {
    return LoadString(IDS_CSV_LINE_ERROR).arg(nLine).arg(QString::fromStdString(strError));
}

void WipeRecords(std::vector<Record>& records) {
    for (Record& record : records)
        for (std::string& str : record.fields)
            WipeString(str);
    records.clear();
}

void WipeRows(std::vector<Row>& rows) {
    for (Row& row : rows)
        for (std::string& str : row)
            WipeString(str);
    rows.clear();
}

} // namespace SiteCsv
