#include "core/tools/SiteExport.h"

#include "core/platform/SecureWipe.h"
#include "core/tools/SiteCsv.h"

#include <QChar>

namespace SiteExport {

namespace {

bool IsOtpAuthLine(std::string_view strLine) {
    constexpr std::string_view kScheme = "otpauth://";
    if (strLine.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (QChar::toLower(static_cast<unsigned char>(strLine[i])) != static_cast<unsigned char>(kScheme[i]))
            return false;
    return true;
}

// The notes split for a layout with a column of its own for the one-time-password URI: the last line that
// is one goes there, with the line break before it (after it, for the first line), and the rest stays. The
// import puts that column back as the notes' last line, so notes ending with the URI come back the same.
struct CSplitNotes {
    std::string strNotes;
    std::string_view totp;

    explicit CSplitNotes(std::string_view notes) {
        std::size_t nEnd = notes.size();
        for (;;) {
            const std::size_t nBreak = nEnd == 0 ? std::string_view::npos : notes.rfind('\n', nEnd - 1);
            const std::size_t nStart = nBreak == std::string_view::npos ? 0 : nBreak + 1;
            std::string_view line = notes.substr(nStart, nEnd - nStart);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (IsOtpAuthLine(line)) {
                totp = line;
                // The break before the line goes with it; a first line takes the break after it instead.
                std::size_t nCutStart = nStart, nCutEnd = nEnd;
                if (nBreak != std::string_view::npos)
                    nCutStart = nBreak > 0 && notes[nBreak - 1] == '\r' ? nBreak - 1 : nBreak;
                else if (nEnd < notes.size())
                    nCutEnd = nEnd + 1;
                strNotes.reserve(notes.size());
                strNotes.append(notes.substr(0, nCutStart)).append(notes.substr(nCutEnd));
                return;
            }
            if (nBreak == std::string_view::npos)
                break;
            nEnd = nBreak;
        }
        strNotes.assign(notes);
    }
    ~CSplitNotes() { WipeString(strNotes); }
    CSplitNotes(const CSplitNotes&) = delete;
    CSplitNotes& operator=(const CSplitNotes&) = delete;
};

} // namespace

std::optional<ELayout> LayoutByName(std::string_view strName) {
    if (strName == "csv")
        return ELayout::lockwarden;
    if (strName == "bitwarden-csv")
        return ELayout::bitwardenCsv;
    if (strName == "keepassxc-csv")
        return ELayout::keepassxcCsv;
    return std::nullopt;
}

QStringList LayoutFilters() {
    return {QStringLiteral("Lockwarden CSV (*.csv)"), QStringLiteral("Bitwarden CSV (*.csv)"),
            QStringLiteral("KeePassXC CSV (*.csv)")};
}

std::string_view Header(ELayout layout) {
    switch (layout) {
    case ELayout::bitwardenCsv:
        return "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\r\n";
    case ELayout::keepassxcCsv:
        // Quoted, as KeePassXC writes its own.
        return "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
               "\"Created\"\r\n";
    case ELayout::lockwarden:
        break;
    }
    return "site,url,user,password,notes\r\n";
}

void AppendSite(std::string& strOut, ELayout layout, const CSiteInfo& s) {
    switch (layout) {
    case ELayout::lockwarden:
        SiteCsv::AppendSite(strOut, s);
        return;
    case ELayout::bitwardenCsv: {
        const CSplitNotes notes(s.m_strNotes);
        SiteCsv::AppendFields(strOut, {"", "", "login", s.m_strSite, notes.strNotes, "", "0", s.m_strURL, s.m_strUser,
                                       s.m_strPswd, notes.totp});
        return;
    }
    case ELayout::keepassxcCsv: {
        const CSplitNotes notes(s.m_strNotes);
        // No group: the sites land in the root group of the database they are imported into.
        SiteCsv::AppendFields(
            strOut, {"", s.m_strSite, s.m_strUser, s.m_strPswd, s.m_strURL, notes.strNotes, notes.totp, "", "", ""});
        return;
    }
    }
}

void WriteAll(std::string& strOut, ELayout layout, const CSiteArray& sites) {
    // Every field quoted and every quote doubled, eleven columns at most, and the line end.
    std::size_t nSize = Header(layout).size();
    for (const auto& p : sites)
        nSize += 2 * (p->m_strSite.size() + p->m_strURL.size() + p->m_strUser.size() + p->m_strPswd.size() +
                      p->m_strNotes.size()) +
                 11 * 3 + 2 + 16;
    strOut.reserve(strOut.size() + nSize);
    strOut += Header(layout);
    for (const auto& p : sites)
        AppendSite(strOut, layout, *p);
}

} // namespace SiteExport
