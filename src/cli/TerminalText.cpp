#include "cli/TerminalText.h"

namespace {

void AppendHex(std::string& out, unsigned char c) {
    static const char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
}

} // namespace

void AppendEscaped(std::string& out, std::string_view str, bool bKeepLines) {
    for (std::size_t i = 0; i < str.size(); ++i) {
        const auto c = static_cast<unsigned char>(str[i]);
        if (bKeepLines && c == '\n') {
            out += '\n';
        } else if (bKeepLines && c == '\r' && i + 1 < str.size() && str[i + 1] == '\n') {
            out += '\n';
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(out, c);
        } else if (c == 0xC2 && i + 1 < str.size() && static_cast<unsigned char>(str[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(str[i + 1]) <= 0x9F) {
            // A C1 control in UTF-8: shown as the code point it encodes.
            AppendHex(out, static_cast<unsigned char>(str[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
}
