#include "cli/CliSession.h"

#include "cli/CliArgs.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/tools/PasswordPool.h"

#include <QFile>

#include <cerrno>

namespace {

// Output goes out in pieces of about this size.
constexpr std::size_t kOutputPiece = 1 << 16;

} // namespace

void CCliDoc::Serialize(CArchive& ar) {
    if (m_pNames == nullptr || ar.IsStoring()) {
        CLockwardenDoc::Serialize(ar);
        return;
    }
    LoadRecordStream(ar, [this](CArchive& records, const std::string& strKey) {
        SiteDatabaseFormat::ReadSiteNames(records, strKey, *m_pNames);
    });
}

CCli::CCli(std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
    : m_pOut(pOut), m_pErr(pErr), m_input(pIn, pErr), m_prompts(m_input, pErr), m_doc(m_app, m_prompts),
      m_template(m_doc, m_prompts) {}

bool CCli::OpenNames(const QString& strPath, CSiteNameList& names) {
    m_doc.m_pNames = &names;
    const bool bOpened = Open(strPath);
    m_doc.m_pNames = nullptr;
    return bOpened;
}

int CCli::SaveChanges() {
    m_doc.SetModifiedFlag(true);
    return Save() ? Finish() : kExitFailure;
}

void CCli::Fail(const std::string& str) {
    m_prompts.Fail(ToDisplayText(str));
}

void CCli::FailAbout(const std::string& strFile, const std::string& str) {
    m_prompts.FailAbout(ToDisplayText(strFile), ToDisplayText(str));
}

CSiteInfo* CCli::FindSite(const std::string& strSite, const CArgs& args) {
    std::vector<CSiteInfo*> matches;
    for (const auto& pSite : m_doc.m_sites)
        if (pSite->m_strSite == strSite)
            matches.push_back(pSite.get());
    if (matches.empty()) {
        Fail("no site is named \"" + strSite + "\"");
        return nullptr;
    }
    std::size_t nPlace = 0;
    if (const auto value = args.Value("--nth"))
        ParseNumber(*value, 1, kMaxPlace, nPlace); // checked with the other arguments
    if (nPlace == 0 && matches.size() == 1)
        return matches.front();
    if (nPlace >= 1 && nPlace <= matches.size())
        return matches[nPlace - 1];
    const std::string strCount = std::to_string(matches.size());
    Fail(matches.size() == 1
             ? "1 site is named \"" + strSite + "\"; choose it with --nth 1"
             : strCount + " sites are named \"" + strSite + "\"; choose one with --nth 1 to " + strCount);
    return nullptr;
}

bool CCli::NewSitePassword(const CArgs& args, const std::string& strSite, std::string& strPassword) {
    if (args.Has("--generate")) {
        std::size_t nLength = kDefaultLength;
        if (const auto value = args.Value("--generate"))
            ParseNumber(*value, 0, kMaxLength, nLength); // checked with the other arguments
        return Generate(PasswordPool::BuildPool(true, true, true), nLength, strPassword);
    }
    switch (m_input.ReadNewSecret("Password for " + strSite + ": ", strPassword)) {
    case CSecretInput::ok:
        return true;
    case CSecretInput::mismatch:
        Fail("the two entries differ");
        return false;
    case CSecretInput::ended:
        break;
    }
    Fail("no password for the site was given");
    return false;
}

bool CCli::Generate(const std::string& strPool, std::size_t nLength, std::string& strPassword) {
    if (PasswordPool::Generate(strPool, nLength, strPassword))
        return true;
    FailAbout({}, "the system's random source failed: " + GetLastErrorText(errno).toStdString());
    return false;
}

void CCli::WriteLine(std::string_view str) {
    m_strOut += str;
    m_strOut += '\n';
    if (m_strOut.size() >= kOutputPiece)
        Drain();
}

void CCli::Drain() {
    if (!m_strOut.empty() && m_nOutError == 0 &&
        std::fwrite(m_strOut.data(), 1, m_strOut.size(), m_pOut) != m_strOut.size())
        m_nOutError = errno;
    m_strOut.clear();
}

int CCli::Finish() {
    Drain();
    if (std::fflush(m_pOut) != 0 && m_nOutError == 0)
        m_nOutError = errno;
    if (m_nOutError == 0)
        return kExitOk;
    FailAbout("standard output", GetLastErrorText(m_nOutError).toStdString());
    return kExitFailure;
}

QString PathOf(const std::string& strArg) {
    return QFile::decodeName(QByteArray(strArg.data(), static_cast<qsizetype>(strArg.size())));
}
