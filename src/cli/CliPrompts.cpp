#include "cli/CliPrompts.h"

#include "cli/SecretInput.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"

CCliPrompts::CCliPrompts(CSecretInput& input, std::FILE* pErr) : m_input(input), m_pErr(pErr) {}

CCliPrompts::~CCliPrompts() {
    WipeString(m_strNewEntry);
}

namespace {

void Say(std::FILE* pErr, const QString& strFile, const QString& strText) {
    // A message box's paragraphs become lines.
    QString strLines = strText;
    strLines.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    QString strWho = QStringLiteral("lockwarden-cli: ");
    if (!strFile.isEmpty())
        strWho += strFile + QStringLiteral(": ");
    std::fprintf(pErr, "%s%s\n", strWho.toUtf8().constData(), strLines.toUtf8().constData());
    std::fflush(pErr);
}

} // namespace

void CCliPrompts::FailAbout(const QString& strFile, const QString& strText) {
    m_bFailed = true;
    Say(m_pErr, strFile, strText);
}

void CCliPrompts::Warn(const QString& strText) {
    Say(m_pErr, m_strFile, strText);
}

int CCliPrompts::MessageBox(const QString& strText, unsigned nType) {
    // A notice (the file password loses its blanks) is said, and the command goes on.
    if ((nType & MB_ICONMASK) == MB_ICONINFORMATION) {
        const bool bFailed = m_bFailed;
        Fail(strText);
        m_bFailed = bFailed;
        return IDOK;
    }
    Fail(strText);
    switch (nType & MB_TYPEMASK) {
    case MB_YESNO:
        Fail(QStringLiteral("answered No; the file on disk was left as it is."));
        return IDNO;
    case MB_YESNOCANCEL:
    case MB_OKCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

int CCliPrompts::FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) {
    std::string strEntry;
    const CWipeOnExit wipe({&strEntry});
    if (m_bNewPassword) {
        m_bNewPassword = false;
        switch (m_input.ReadNewSecret(strFileLabel.toStdString() + "\nNew file password: ", strEntry)) {
        case CSecretInput::ok:
            AssignSecret(m_strNewEntry, strEntry);
            AssignSecret(strPassword, strEntry);
            return IDOK;
        case CSecretInput::mismatch:
            Fail(QStringLiteral("the two entries differ; the password was not changed."));
            return IDCANCEL;
        case CSecretInput::ended:
            break;
        }
        Fail(QStringLiteral("no new file password was given."));
        return IDCANCEL;
    }
    // Every prompt after the first follows a wrong entry, which the document has already reported.
    const int nMaxTries = m_input.IsTerminal() ? kTerminalPasswordTries : 1;
    if (++m_nPasswordTries > nMaxTries)
        return IDCANCEL;
    if (m_input.ReadSecret(strFileLabel.toStdString() + "\nPassword: ", strEntry) != CSecretInput::ok) {
        Fail(QStringLiteral("the file has a password and none was given."));
        return IDCANCEL;
    }
    AssignSecret(strPassword, strEntry);
    return IDOK;
}

int CCliPrompts::ConfirmFilePasswordPrompt(std::string& strPassword, const QString&) {
    AssignSecret(strPassword, m_strNewEntry);
    return IDOK;
}

bool CCliPrompts::SaveFileDialog(QString& strFileName, const QString&, const QString&) {
    FailAbout(strFileName, QStringLiteral("the file is read-only; it was left as it is."));
    return false;
}
