#include "core/tools/AutoTypeSequence.h"

#include "core/platform/Text.h"

#include <QStringView>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace AutoTypeSequence {

namespace {

constexpr int kMaxDelay = 10000;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Adds characters to the text step at the end, or starts one.
void AddText(std::vector<CStep>& steps, const QString& strText) {
    if (strText.isEmpty())
        return;
    if (steps.empty() || steps.back().eKind != CStep::EKind::text)
        steps.push_back(CStep{CStep::EKind::text, QString(), 0});
    steps.back().strText += strText;
}

} // namespace

std::string SequenceOfNotes(std::string_view strNotes) {
    constexpr std::string_view kKey = "autotype:";
    while (!strNotes.empty()) {
        const std::size_t nEnd = std::min(strNotes.find('\n'), strNotes.size());
        std::string_view line = strNotes.substr(0, nEnd);
        strNotes.remove_prefix(std::min(nEnd + 1, strNotes.size()));
        const std::string strLine = TrimWhiteSpace(line);
        if (strLine.size() >= kKey.size() && EqualsNoCase(std::string_view(strLine).substr(0, kKey.size()), kKey))
            return TrimWhiteSpace(std::string_view(strLine).substr(kKey.size()));
    }
    return std::string(kDefault);
}

bool Parse(std::string_view strSequence, const CFields& fields, std::vector<CStep>& steps, std::string& strError) {
    steps.clear();
    std::size_t nPos = 0;
    while (nPos < strSequence.size()) {
        const std::size_t nOpen = strSequence.find('{', nPos);
        AddText(steps, ToDisplayText(strSequence.substr(nPos, nOpen == std::string_view::npos ? nOpen : nOpen - nPos)));
        if (nOpen == std::string_view::npos)
            break;
        // "{{}" and "{}}" are the braces themselves.
        if (strSequence.substr(nOpen, 3) == "{{}" || strSequence.substr(nOpen, 3) == "{}}") {
            AddText(steps, QString(QLatin1Char(strSequence[nOpen + 1])));
            nPos = nOpen + 3;
            continue;
        }
        const std::size_t nClose = strSequence.find('}', nOpen);
        if (nClose == std::string_view::npos) {
            strError = "the sequence has a \"{\" without its \"}\"";
            steps.clear();
            return false;
        }
        const std::string_view name = strSequence.substr(nOpen + 1, nClose - nOpen - 1);
        nPos = nClose + 1;
        if (EqualsNoCase(name, "USERNAME")) {
            AddText(steps, ToDisplayText(fields.strUser));
        } else if (EqualsNoCase(name, "PASSWORD")) {
            AddText(steps, ToDisplayText(fields.strPassword));
        } else if (EqualsNoCase(name, "URL")) {
            AddText(steps, ToDisplayText(fields.strURL));
        } else if (EqualsNoCase(name, "TOTP")) {
            if (fields.strCode.empty()) {
                strError = fields.strCodeError.empty() ? "{TOTP} names a one-time code, and the site has none"
                                                       : "{TOTP}: " + fields.strCodeError;
                steps.clear();
                return false;
            }
            AddText(steps, ToDisplayText(fields.strCode));
        } else if (EqualsNoCase(name, "TAB")) {
            steps.push_back(CStep{CStep::EKind::tab, QString(), 0});
        } else if (EqualsNoCase(name, "ENTER")) {
            steps.push_back(CStep{CStep::EKind::enter, QString(), 0});
        } else if (name.size() > 6 && EqualsNoCase(name.substr(0, 6), "DELAY ")) {
            const std::string_view digits = name.substr(6);
            int nMs = -1;
            const auto [pEnd, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), nMs);
            if (ec != std::errc() || pEnd != digits.data() + digits.size() || nMs < 0 || nMs > kMaxDelay) {
                strError =
                    "{" + std::string(name) + "} is not a delay of 0 to " + std::to_string(kMaxDelay) + " milliseconds";
                steps.clear();
                return false;
            }
            steps.push_back(CStep{CStep::EKind::delay, QString(), nMs});
        } else {
            strError = "{" + std::string(name) + "} is not a placeholder auto-type knows";
            steps.clear();
            return false;
        }
    }
    return true;
}

} // namespace AutoTypeSequence
