#include "cli/Csv.h"

#include "cli/SiteName.h"

#include <QByteArrayAlgorithms>

namespace Csv {

namespace {

void AppendField(std::string& strOut, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        strOut += field;
        return;
    }
    strOut += '"';
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
                    strError = "a quote inside a field that is not quoted";
                    return false;
                }
                if (c == '\r') {
                    strError = "a carriage return outside quotes";
                    return false;
                }
                strField += c;
            }
            return true;
        }
        ++m_nPos; // the opening quote
        for (;;) {
            if (AtEnd()) {
                strError = "a quoted field is not closed";
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
            strError = "text after the closing quote of a field";
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

void AppendRow(std::string& strOut, const std::array<std::string_view, kFieldCount>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            strOut += ',';
        AppendField(strOut, row[i]);
    }
    strOut += "\r\n";
}

bool Parse(std::string_view text, std::vector<Row>& rows, std::size_t& nErrorLine, std::string& strError) {
    rows.clear();
    // Spreadsheets mark their UTF-8 with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    CReader reader(text);
    std::vector<std::string> fields;
    nErrorLine = reader.Line();
    if (reader.AtEnd()) {
        strError = std::string("the header \"") + kHeader + "\" is missing";
        return false;
    }
    if (!reader.ReadRecord(fields, strError))
        return false;
    std::string strHeader;
    for (std::size_t i = 0; i < fields.size(); ++i)
        strHeader += (i > 0 ? "," : "") + fields[i];
    // Other programs write the same names in capitals.
    if (fields.size() != kFieldCount ||
        qstrnicmp(strHeader.data(), static_cast<qsizetype>(strHeader.size()), kHeader) != 0) {
        strError = std::string("the header is not \"") + kHeader + "\"";
        return false;
    }
    while (!reader.AtTrailingEmptyLines()) {
        nErrorLine = reader.Line();
        if (!reader.ReadRecord(fields, strError))
            return false;
        if (fields.size() != kFieldCount) {
            strError = std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") + " where " +
                       std::to_string(kFieldCount) + " are expected";
            return false;
        }
        Row row;
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (fields[i].find('\0') != std::string::npos) {
                strError = "a NUL byte inside a field";
                return false;
            }
            row[i] = std::move(fields[i]);
        }
        if (row[0].empty()) {
            strError = "the site name is empty";
            return false;
        }
        if (HasControlCharacter(row[0])) {
            strError = kControlCharacterInName;
            return false;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

} // namespace Csv
