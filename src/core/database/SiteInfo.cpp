#include "core/database/SiteInfo.h"

#include "core/database/FieldCipher.h"
#include "core/framework/Archive.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"

#include <algorithm>

CSiteInfo::CSiteInfo(std::string strSite, std::string strURL, std::string strUser, std::string strPswd,
                     std::string strNotes)
    : m_strSite(std::move(strSite)), m_strURL(std::move(strURL)), m_strUser(std::move(strUser)),
      m_strPswd(std::move(strPswd)), m_strNotes(std::move(strNotes)) {}

CSiteInfo::~CSiteInfo() {
    for (std::string* p : {&m_strSite, &m_strURL, &m_strUser, &m_strPswd, &m_strNotes})
        WipeString(*p);
}

void CSiteInfo::Serialize(CArchive& ar, const std::string& strKey) {
    std::string* fields[] = {&m_strSite, &m_strURL, &m_strUser, &m_strPswd, &m_strNotes};
    if (ar.IsStoring()) {
        for (const std::string* p : fields)
            ar.WriteString(EncipherText(strKey, *p));
    } else {
        for (std::string* p : fields)
            *p = DecipherText(strKey, ar.ReadString());
    }
}

std::string MaskPassword(std::string_view strPswd) {
    // Counted on the text as the field shows it: a UTF-8 character of several bytes is one star; in a
    // Windows file every byte is a character anyway.
    const QString strShown = ToDisplayText(strPswd);
    const auto nChars = std::count_if(strShown.begin(), strShown.end(), [](QChar c) { return !c.isLowSurrogate(); });
    return std::string(static_cast<std::size_t>(nChars), '*');
}
