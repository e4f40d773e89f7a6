#include "database/SiteInfo.h"

#include "database/FieldCipher.h"
#include "framework/Archive.h"

CSiteInfo::CSiteInfo(std::string strSite, std::string strURL, std::string strUser, std::string strPswd,
                     std::string strNotes)
    : m_strSite(std::move(strSite)), m_strURL(std::move(strURL)), m_strUser(std::move(strUser)),
      m_strPswd(std::move(strPswd)), m_strNotes(std::move(strNotes)) {}

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
    return std::string(strPswd.size(), '*');
}
