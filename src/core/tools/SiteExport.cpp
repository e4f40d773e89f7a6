#include "core/tools/SiteExport.h"

#include "core/tools/SiteCsv.h"

namespace SiteExport {

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
    case ELayout::bitwardenCsv:
        SiteCsv::AppendFields(
            strOut, {"", "", "login", s.m_strSite, s.m_strNotes, "", "0", s.m_strURL, s.m_strUser, s.m_strPswd, ""});
        return;
    case ELayout::keepassxcCsv:
        // No group: the sites land in the root group of the database they are imported into.
        SiteCsv::AppendFields(strOut,
                              {"", s.m_strSite, s.m_strUser, s.m_strPswd, s.m_strURL, s.m_strNotes, "", "", "", ""});
        return;
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
