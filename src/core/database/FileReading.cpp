#include "core/database/FileReading.h"

#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

CKnownPasswordPrompts::CKnownPasswordPrompts(CPrompts& inner, std::string_view strKnown)
    : m_inner(inner), m_strKnown(strKnown) {}

CKnownPasswordPrompts::~CKnownPasswordPrompts() {
    WipeString(m_strKnown);
}

int CKnownPasswordPrompts::MessageBox(const QString& strText, unsigned nType) {
    const bool bAfterTry = m_bTried;
    m_bTried = false;
    if (bAfterTry && strText == LoadString(IDS_BAD_FILE_PASSWORD))
        return IDOK;
    return m_inner.MessageBox(strText, nType);
}

int CKnownPasswordPrompts::FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) {
    m_bTried = false;
    if (!m_bOffered && !m_strKnown.empty()) {
        m_bOffered = true;
        m_bTried = true;
        AssignSecret(strPassword, m_strKnown);
        return IDOK;
    }
    // The field starts empty rather than with the password that failed.
    if (m_bOffered && strPassword == m_strKnown)
        WipeString(strPassword);
    return m_inner.FilePasswordPrompt(strPassword, strFileLabel);
}

CFileReading::CFileReading(CPrompts& prompts, std::string_view strKnown)
    : m_prompts(prompts, strKnown), m_doc(m_app, m_prompts), m_template(m_doc, m_prompts) {}
