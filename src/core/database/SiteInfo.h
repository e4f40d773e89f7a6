#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CArchive;

// One site record: the login data of one internet site. Fields are 8-bit texts held in clear;
// only their stored form is enciphered, with the file password, one field at a time.
class CSiteInfo {
public:
    static constexpr const char* kClassName = "CSiteInfo";
    static constexpr unsigned kSchema = 1;

    CSiteInfo() = default;
    CSiteInfo(std::string strSite, std::string strURL, std::string strUser, std::string strPswd, std::string strNotes);
    // The fields are wiped before their memory is freed.
    ~CSiteInfo();
    CSiteInfo(const CSiteInfo&) = default;
    CSiteInfo(CSiteInfo&&) = default;
    CSiteInfo& operator=(const CSiteInfo&) = default;
    CSiteInfo& operator=(CSiteInfo&&) = default;

    // Writes or reads the five fields, each enciphered with strKey, in the order site, URL, user,
    // password, notes. The object tag is the caller's.
    void Serialize(CArchive& ar, const std::string& strKey);

    std::string m_strSite;
    std::string m_strURL;
    std::string m_strUser;
    std::string m_strPswd;
    std::string m_strNotes;
};

// The document's records in insertion order; each owned by the array.
using CSiteArray = std::vector<std::unique_ptr<CSiteInfo>>;

// A password as it is shown while browsing: one "*" per character as the field would show it, so its
// length shows and nothing else.
std::string MaskPassword(std::string_view strPswd);
