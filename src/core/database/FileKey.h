#pragma once

#include "core/database/SealedFormat.h"
#include "core/platform/SecureMemory.h"

#include <memory>
#include <string_view>

// The key of one database file, whichever its kind: none, a classic file's password, or a sealed file's
// derived key (which holds its password). It lives in locked memory and is wiped when it goes; the
// document owns the one key of its file, and nothing else keeps a copy.
class CFileKey {
public:
    // What a file is, weakest first.
    enum class EKind { noPassword, classic, sealed };

    CFileKey() = default;
    CFileKey(CFileKey&&) noexcept = default;
    CFileKey& operator=(CFileKey&&) noexcept = default;
    CFileKey(const CFileKey&) = delete;
    CFileKey& operator=(const CFileKey&) = delete;

    // A classic file's key: its password (none when empty).
    static CFileKey Classic(std::string_view strPassword);
    static CFileKey Sealed(std::unique_ptr<SealedFormat::CSealKey> pKey);

    EKind Kind() const;
    bool IsSealed() const { return m_pSealKey != nullptr; }
    // The password, whichever the kind; empty for none.
    std::string_view Password() const;
    // The derived key of a sealed file, null otherwise.
    const SealedFormat::CSealKey* SealKey() const { return m_pSealKey.get(); }
    // Whether strEntry is this key's password, as typed or (a classic password set on Windows may hold
    // Windows-1252 bytes, which a prompt gives as UTF-8) in Windows-1252; in constant time for each.
    bool IsPassword(std::string_view strEntry) const;
    // Nothing is left of the key: the document then has no password.
    void Wipe();

private:
    CSecureBytes m_classic;
    std::unique_ptr<SealedFormat::CSealKey> m_pSealKey;
};
