#include "core/database/FileKey.h"

#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"

#include <sodium.h>

#include <string>

CFileKey CFileKey::Classic(std::string_view strPassword) {
    CFileKey key;
    if (!strPassword.empty())
        key.m_classic = CSecureBytes(strPassword.data(), strPassword.size());
    return key;
}

CFileKey CFileKey::Sealed(std::unique_ptr<SealedFormat::CSealKey> pKey) {
    CFileKey key;
    key.m_pSealKey = std::move(pKey);
    return key;
}

CFileKey::EKind CFileKey::Kind() const {
    if (m_pSealKey)
        return EKind::sealed;
    return m_classic.empty() ? EKind::noPassword : EKind::classic;
}

std::string_view CFileKey::Password() const {
    return m_pSealKey ? m_pSealKey->Password() : m_classic.view();
}

bool CFileKey::IsPassword(std::string_view strEntry) const {
    const std::string_view kept = Password();
    const auto same = [&kept](std::string_view entry) {
        return entry.size() == kept.size() &&
               (kept.empty() || sodium_memcmp(entry.data(), kept.data(), kept.size()) == 0);
    };
    if (same(strEntry))
        return true;
    // A sealed file's password was typed here, never on Windows.
    if (m_pSealKey)
        return false;
    std::string strWindows;
    const CWipeOnExit wipe({&strWindows});
    return ToWindows1252(strEntry, strWindows) && strWindows != strEntry && same(strWindows);
}

void CFileKey::Wipe() {
    m_classic = CSecureBytes();
    m_pSealKey.reset();
}
