#include "core/tools/SiteNameMatch.h"

#include "core/platform/Text.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <iterator>

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// In ASCII the one character of two units is CR LF.
bool SplitsCrLf(std::string_view strName, std::size_t nAt) {
    return nAt > 0 && nAt < strName.size() && strName[nAt - 1] == '\r' && strName[nAt] == '\n';
}

} // namespace

bool AppendReadyName(std::string& strBuffer, std::string_view strName) {
    if (!IsAscii(strName)) {
        strBuffer.append(strName);
        return false;
    }
    std::transform(strName.begin(), strName.end(), std::back_inserter(strBuffer), LowerAscii);
    return true;
}

qsizetype CSiteNameFinder::FindIn(const CReadyName& name) const {
    if (!name.bLowerAscii)
        return FindIn(name.strBytes);
    if (m_strFolded.isEmpty())
        return 0;
    if (!m_bAscii)
        return -1;
    // Lower-case ASCII against lower-case ASCII: the library's byte search, which is what makes a search
    // through a hundred thousand names take a few milliseconds.
    const std::string_view strBytes = name.strBytes;
    for (std::size_t nAt = strBytes.find(m_strAscii); nAt != std::string_view::npos;
         nAt = strBytes.find(m_strAscii, nAt + 1))
        if (!SplitsCrLf(strBytes, nAt) && !SplitsCrLf(strBytes, nAt + m_strAscii.size()))
            return static_cast<qsizetype>(nAt);
    return -1;
}

CSiteNameFinder::CSiteNameFinder(std::string_view strFind) : m_strFolded(ToDisplayText(strFind).toCaseFolded()) {
    m_bAscii = std::all_of(m_strFolded.begin(), m_strFolded.end(), [](QChar ch) { return ch.unicode() < 0x80; });
    if (m_bAscii)
        m_strAscii = m_strFolded.toStdString();
}

qsizetype CSiteNameFinder::FindIn(std::string_view strName) const {
    if (m_strFolded.isEmpty())
        return 0;
    if (IsAscii(strName)) {
        // An ASCII name folds to its lower case, one byte per unit; a find text that does not fold to
        // ASCII cannot occur in it. No text is built: this is the loop a search over every site runs.
        if (!m_bAscii || m_strAscii.size() > strName.size())
            return -1;
        const std::size_t nFind = m_strAscii.size();
        const char chFirst = m_strAscii.front();
        for (std::size_t nAt = 0; nAt + nFind <= strName.size(); ++nAt) {
            if (LowerAscii(strName[nAt]) != chFirst)
                continue;
            std::size_t n = 1;
            while (n < nFind && LowerAscii(strName[nAt + n]) == m_strAscii[n])
                ++n;
            if (n == nFind && !SplitsCrLf(strName, nAt) && !SplitsCrLf(strName, nAt + nFind))
                return static_cast<qsizetype>(nAt);
        }
        return -1;
    }
    const QString strShown = ToDisplayText(strName);
    const QString strFolded = strShown.toCaseFolded();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, strShown);
    const auto isBoundary = [&graphemes](qsizetype nAt) {
        graphemes.setPosition(nAt);
        return graphemes.isAtBoundary();
    };
    for (qsizetype nAt = strFolded.indexOf(m_strFolded); nAt >= 0; nAt = strFolded.indexOf(m_strFolded, nAt + 1))
        if (isBoundary(nAt) && isBoundary(nAt + m_strFolded.size()))
            return nAt;
    return -1;
}

bool ContainsIgnoringCase(std::string_view strName, std::string_view strFind) {
    return CSiteNameFinder(strFind).FindIn(strName) >= 0;
}
