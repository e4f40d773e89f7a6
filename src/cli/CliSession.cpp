#include "cli/CliSession.h"

#include "cli/CliArgs.h"
#include "cli/TerminalText.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/platform/LastError.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/PasswordPool.h"
#include "core/database/SiteOrder.h"

#include <QFile>

#include <cerrno>
#include <sodium.h>
#include <unistd.h>

namespace {

// Output goes out in pieces of about this size.
constexpr std::size_t kOutputPiece = 1 << 16;
// How much of the stack below the caller an open may have used.
constexpr std::size_t kStackToWipe = 256 << 10;

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

bool CCliDoc::KeepsBackupOnSave() const {
    // The version a stronger file replaces is the weaker one: it is never kept.
    if (IsStrengthening())
        return false;
    // Read only when a save needs it, so the commands that only read never touch the settings.
    const CProfileStore store(LoadString(AFX_IDS_COMPANY_NAME), LoadString(AFX_IDS_APP_TITLE));
    return store.GetProfileInt(QString::fromLatin1(CAppState::kSection), QStringLiteral("bBackupOnSave"), 1) != 0;
}

CCli::CCli(std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
    : m_pOut(pOut), m_pErr(pErr), m_bTerminalOut(::isatty(::fileno(pOut)) == 1), m_input(pIn, pErr),
      m_prompts(m_input, pErr), m_doc(m_app, m_prompts), m_template(m_doc, m_prompts) {
    // Room for two pieces, so the output never moves and leaves a copy of itself behind.
    m_strOut.reserve(2 * kOutputPiece);
}

CCli::~CCli() {
    WipeString(m_strOut);
}

bool CCli::Open(const QString& strPath) {
    const bool bOpened = m_template.OpenDocumentFile(strPath);
    // The reader's frames below this one held the last record in clear (a sealed file's records are
    // deciphered there): the stack they used is wiped before the command goes on.
    sodium_stackzero(kStackToWipe);
    return bOpened && TakeEmptyPasswordLine();
}

bool CCli::TakeEmptyPasswordLine() {
    if (m_input.IsTerminal() || m_doc.GetFileKind() != CLockwardenDoc::EFileKind::noPassword)
        return true;
    std::string strLine;
    const CWipeOnExit wipe({&strLine});
    if (m_input.ReadSecret({}, strLine) != CSecretInput::ok || strLine.empty())
        return true;
    // Taken as the next secret, the user's file password would be stored, in a file anyone may read.
    m_bInputRefused = true;
    m_prompts.FailAbout({}, m_prompts.File() + QStringLiteral(" has no file password, but the first line of standard "
                                                              "input gave one; nothing was changed."));
    return false;
}

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
    for (const auto& pSite : m_doc.Sites())
        if (pSite->m_strSite == strSite)
            matches.push_back(pSite.get());
    // A name typed in another case is the site the list shows under it, as long as that says which.
    const bool bFolded = matches.empty();
    if (bFolded)
        for (const auto& pSite : m_doc.Sites())
            if (CompareSiteNames(pSite->m_strSite, strSite) == 0)
                matches.push_back(pSite.get());
    if (matches.empty()) {
        Fail("no site is named \"" + strSite + "\"");
        return nullptr;
    }
    const std::size_t nPlace = args.nNth.value_or(0);
    if (nPlace == 0 && matches.size() == 1)
        return matches.front();
    if (nPlace >= 1 && nPlace <= matches.size())
        return matches[nPlace - 1];
    const std::string strCount = std::to_string(matches.size());
    const std::string strNamed =
        (matches.size() == 1 ? "1 site is named \"" : strCount + " sites are named \"") + strSite + "\"";
    const std::string strHow = bFolded ? " without regard to case; " : "; ";
    Fail(matches.size() == 1 ? strNamed + strHow + "choose it with --nth 1"
                             : strNamed + strHow + "choose one with --nth 1 to " + strCount);
    return nullptr;
}

bool CCli::NewSitePassword(const CArgs& args, const std::string& strSite, std::string& strPassword) {
    if (args.Has("--generate")) {
        return Generate(PasswordPool::BuildPool(true, true, true), args.nLength.value_or(kDefaultLength), strPassword);
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

void CCli::WriteField(std::string_view strLabel, std::string_view strField, bool bKeepLines) {
    m_strOut += strLabel;
    if (m_bTerminalOut)
        AppendEscaped(m_strOut, strField, bKeepLines);
    else
        m_strOut += strField; // scripts rely on the bytes as stored
    m_strOut += '\n';
    if (m_strOut.size() >= kOutputPiece)
        Drain();
}

void CCli::WriteFieldLine(std::string_view strLine) {
    if (m_bTerminalOut) {
        WriteField({}, strLine.substr(0, strLine.size() - 1));
        return;
    }
    m_strOut += strLine;
    if (m_strOut.size() >= kOutputPiece)
        Drain();
}

void CCli::Drain() {
    if (!m_strOut.empty() && m_nOutError == 0 &&
        std::fwrite(m_strOut.data(), 1, m_strOut.size(), m_pOut) != m_strOut.size())
        m_nOutError = errno;
    WipeMemory(m_strOut.data(), m_strOut.size());
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
