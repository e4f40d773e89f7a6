// The sealed reader below the key derivation, with one key derived once: the header checks, the key check
// and the tag on arbitrary bytes, and the record stream that a right tag hands to the reader. The fuzzer
// cannot forge a tag, so the input is also taken as a clear stream, sealed and opened again: it must come
// back unchanged, and whatever loads from it must write and read back to the same records.
#include "core/database/SealedFormat.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

namespace SF = SealedFormat;

// The key of the seed files: password "pw", salt 00..0F, the lowest cost.
const SF::CSealKey& FuzzKey() {
    static const std::unique_ptr<SF::CSealKey> pKey = [] {
        std::array<unsigned char, SF::kSaltSize> salt{};
        for (std::size_t i = 0; i < salt.size(); ++i)
            salt[i] = static_cast<unsigned char>(i);
        std::unique_ptr<SF::CSealKey> p;
        if (SF::CSealKey::Derive("pw", SF::kMinCost, salt, p) != SF::EResult::ok)
            std::abort();
        return p;
    }();
    return *pKey;
}

bool LoadStream(CSecureBytes& plain, CSiteArray& sites) {
    CSecureDevice device(plain);
    device.open(QIODevice::ReadOnly);
    try {
        CArchive ar(&device, CArchive::load);
        SiteDatabaseFormat::ReadRecords(ar, std::string(), sites);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

bool SameRecords(const CSiteArray& a, const CSiteArray& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i]->m_strSite != b[i]->m_strSite || a[i]->m_strURL != b[i]->m_strURL ||
            a[i]->m_strUser != b[i]->m_strUser || a[i]->m_strPswd != b[i]->m_strPswd ||
            a[i]->m_strNotes != b[i]->m_strNotes)
            return false;
    return true;
}

// Sites that loaded are sealed and opened again and must load the same.
void CheckRoundTrip(const CSiteArray& sites) {
    CSecureBytes plain;
    SF::WriteRecordStream(sites, plain);
    const QByteArray sealed = SF::Seal(FuzzKey(), plain.view());
    CSecureBytes again;
    CSiteArray reloaded;
    if (SF::Open(FuzzKey(), std::string_view(sealed.constData(), static_cast<std::size_t>(sealed.size())), again) !=
            SF::EResult::ok ||
        !LoadStream(again, reloaded) || !SameRecords(sites, reloaded))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);

    // As a sealed file.
    SF::CHeader header;
    const SF::EResult headerResult = SF::ReadHeader(bytes, header);
    if (headerResult == SF::EResult::ok && !SF::IsCostAllowed(header.cost))
        std::abort();
    CSecureBytes plain;
    const SF::EResult openResult = SF::Open(FuzzKey(), bytes, plain);
    if (openResult != (headerResult == SF::EResult::ok ? openResult : headerResult))
        std::abort();
    if (openResult == SF::EResult::ok) {
        CSiteArray sites;
        if (LoadStream(plain, sites))
            CheckRoundTrip(sites);
    }

    // As the clear stream inside one.
    const QByteArray sealed = SF::Seal(FuzzKey(), bytes);
    CSecureBytes opened;
    if (SF::Open(FuzzKey(), std::string_view(sealed.constData(), static_cast<std::size_t>(sealed.size())), opened) !=
            SF::EResult::ok ||
        opened.view() != bytes)
        std::abort();
    CSiteArray sites;
    if (LoadStream(opened, sites))
        CheckRoundTrip(sites);
    return 0;
}
