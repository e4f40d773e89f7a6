#include "cli/Json.h"

#include "core/platform/Text.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace Json {

void AppendString(std::string& strOut, const std::string& strField) {
    const QByteArray utf8 = ToDisplayText(strField).toUtf8();
    strOut += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            strOut += "\\\"";
            break;
        case '\\':
            strOut += "\\\\";
            break;
        case '\n':
            strOut += "\\n";
            break;
        case '\r':
            strOut += "\\r";
            break;
        case '\t':
            strOut += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char sz[8];
                std::snprintf(sz, sizeof sz, "\\u%04x", static_cast<unsigned>(c));
                strOut += sz;
            } else {
                strOut += c;
            }
        }
    }
    strOut += '"';
}

} // namespace Json
