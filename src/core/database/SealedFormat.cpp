#include "core/database/SealedFormat.h"

#include "core/framework/Archive.h"

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

#include <time.h>
#include <unistd.h>

namespace SealedFormat {

namespace {

// The context of the two subkeys drawn from the derived key: one for the key check, one for sealing.
constexpr char kSubkeyContext[crypto_kdf_CONTEXTBYTES] = {'L', 'w', 'd', 'S', 'e', 'a', 'l', '1'};
constexpr std::uint64_t kCheckSubkey = 1;
constexpr std::uint64_t kDataSubkey = 2;

static_assert(kSaltSize == crypto_pwhash_SALTBYTES);
static_assert(kNonceSize == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(kKeySize == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(kTagSize == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(kSumSize == crypto_generichash_BYTES);

const unsigned char* Bytes(std::string_view str) {
    return reinterpret_cast<const unsigned char*>(str.data());
}

std::uint32_t ReadU32(std::string_view bytes, std::size_t nAt) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(bytes[nAt + static_cast<std::size_t>(i)]);
    return n;
}

void PutU32(unsigned char* p, std::uint32_t n) {
    for (std::size_t i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((n >> (8 * i)) & 0xFF);
}

void Sum(const unsigned char* p, std::size_t n, unsigned char* pOut) {
    crypto_generichash(pOut, kSumSize, p, n, nullptr, 0);
}

// The key check: a hash keyed with the check subkey over the inputs of the derivation.
void MakeCheck(const CSealKey& key, const unsigned char* pHeader, unsigned char* pOut) {
    crypto_generichash(pOut, kCheckSize, pHeader, kNonceAt, key.CheckKey().data(), key.CheckKey().size());
}

bool Ready() {
    return sodium_init() >= 0;
}

} // namespace

bool IsCostAllowed(const CCost& cost) {
    return cost.nOps >= kMinCost.nOps && cost.nOps <= kMaxCost.nOps && cost.nMemKiB >= kMinCost.nMemKiB &&
           cost.nMemKiB <= kMaxCost.nMemKiB;
}

CCost ChooseCost(std::uint64_t nMachineBytes, double fSecondsPerPass, double fTargetSeconds) {
    const std::uint32_t nMemKiB = nMachineBytes >= kModerateNeedsBytes ? kModerateMemKiB : kFloorMemKiB;
    // A pass that could not be timed (a clock too coarse) counts as fast: the most passes a reader takes.
    const double fPasses = fSecondsPerPass > 0 ? std::round(fTargetSeconds / fSecondsPerPass) : kMaxCost.nOps;
    const auto nOps = static_cast<std::uint32_t>(std::clamp<double>(fPasses, kMinCost.nOps, kMaxCost.nOps));
    return {nOps, std::clamp(nMemKiB, kMinCost.nMemKiB, kMaxCost.nMemKiB)};
}

double ThreadProcessorSeconds() {
    timespec now{};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

CCost CalibrateCost(double fTargetSeconds) {
    const long nPages = ::sysconf(_SC_PHYS_PAGES);
    const long nPageSize = ::sysconf(_SC_PAGESIZE);
    const std::uint64_t nMachine =
        nPages > 0 && nPageSize > 0 ? static_cast<std::uint64_t>(nPages) * static_cast<std::uint64_t>(nPageSize) : 0;
    std::uint32_t nMemKiB = ChooseCost(nMachine, 1, 1).nMemKiB;
    // One pass with the memory chosen, under a password and salt of no consequence; a machine that cannot
    // get that memory now tries the floor.
    while (Ready()) {
        CSecureBytes out(kKeySize);
        const unsigned char salt[kSaltSize] = {};
        // One lane: the derivation runs on this thread alone, so its processor time is the pass's own cost,
        // however busy the machine is while it runs.
        const double fStart = ThreadProcessorSeconds();
        const int nResult = crypto_pwhash(out.data(), out.size(), "calibration", 11, salt, 1,
                                          static_cast<std::size_t>(nMemKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13);
        const double fTook = ThreadProcessorSeconds() - fStart;
        if (nResult == 0)
            return ChooseCost(nMemKiB == kModerateMemKiB ? kModerateNeedsBytes : 0, fTook, fTargetSeconds);
        if (nMemKiB == kFloorMemKiB)
            break;
        nMemKiB = kFloorMemKiB;
    }
    // Nothing could be timed: the cost of the files sealed before calibration.
    return kDefaultCost;
}

namespace {
std::optional<CCost>& NewKeyCostSetting() {
    static std::optional<CCost> cost;
    return cost;
}
} // namespace

CCost NewKeyCost() {
    std::optional<CCost>& cost = NewKeyCostSetting();
    if (!cost)
        cost = CalibrateCost();
    return *cost;
}

void SetNewKeyCost(const CCost& cost) {
    NewKeyCostSetting() = cost;
}

bool HasBanner(std::string_view bytes) {
    const std::string_view banner(kBanner);
    return bytes.size() >= kBannerSize && static_cast<unsigned char>(bytes[0]) == banner.size() &&
           bytes.substr(1, banner.size()) == banner;
}

EResult ReadHeader(std::string_view bytes, CHeader& header) {
    if (!HasBanner(bytes))
        return EResult::notSealed;
    if (bytes.size() < kMinFileSize || !Ready())
        return EResult::damaged;
    unsigned char sum[kSumSize];
    Sum(Bytes(bytes), kSumAt, sum);
    if (sodium_memcmp(sum, Bytes(bytes) + kSumAt, kSumSize) != 0)
        return EResult::damaged;
    header.nVersion = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[kVersionAt]) |
                                                 (static_cast<unsigned char>(bytes[kVersionAt + 1]) << 8));
    header.nKdf = static_cast<std::uint8_t>(bytes[kKdfAt]);
    if (header.nVersion != kVersion || header.nKdf != kKdfArgon2id13)
        return EResult::newerVersion;
    header.cost = {ReadU32(bytes, kOpsAt), ReadU32(bytes, kMemAt)};
    if (!IsCostAllowed(header.cost))
        return EResult::costRefused;
    std::memcpy(header.salt.data(), bytes.data() + kSaltAt, kSaltSize);
    std::memcpy(header.nonce.data(), bytes.data() + kNonceAt, kNonceSize);
    std::memcpy(header.check.data(), bytes.data() + kCheckAt, kCheckSize);
    return EResult::ok;
}

EResult CSealKey::Derive(std::string_view strPassword, const CCost& cost, std::unique_ptr<CSealKey>& pKey) {
    if (!Ready())
        return EResult::outOfMemory;
    std::array<unsigned char, kSaltSize> salt{};
    randombytes_buf(salt.data(), salt.size());
    return Derive(strPassword, cost, salt, pKey);
}

EResult CSealKey::Derive(std::string_view strPassword, const CCost& cost,
                         const std::array<unsigned char, kSaltSize>& salt, std::unique_ptr<CSealKey>& pKey) {
    // Checked here too, so no caller can reach the derivation with a cost the reader would refuse.
    if (!IsCostAllowed(cost))
        return EResult::costRefused;
    if (!Ready())
        return EResult::outOfMemory;
    std::unique_ptr<CSealKey> pNew(new CSealKey);
    try {
        pNew->m_password = CSecureBytes(strPassword.data(), strPassword.size());
        pNew->m_checkKey = CSecureBytes(kKeySize);
        pNew->m_dataKey = CSecureBytes(kKeySize);
        CSecureBytes master(kKeySize);
        if (crypto_pwhash(master.data(), master.size(), strPassword.data(), strPassword.size(), salt.data(), cost.nOps,
                          static_cast<std::size_t>(cost.nMemKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
            return EResult::outOfMemory;
        crypto_kdf_derive_from_key(pNew->m_checkKey.data(), kKeySize, kCheckSubkey, kSubkeyContext, master.data());
        crypto_kdf_derive_from_key(pNew->m_dataKey.data(), kKeySize, kDataSubkey, kSubkeyContext, master.data());
    } catch (const std::bad_alloc&) {
        return EResult::outOfMemory;
    }
    pNew->m_cost = cost;
    pNew->m_salt = salt;
    pKey = std::move(pNew);
    return EResult::ok;
}

bool CSealKey::PassesCheck(std::string_view bytes, const CHeader& header) const {
    if (bytes.size() < kHeaderSize || header.cost != m_cost || header.salt != m_salt)
        return false;
    unsigned char check[kCheckSize];
    MakeCheck(*this, Bytes(bytes), check);
    return sodium_memcmp(check, Bytes(bytes) + kCheckAt, kCheckSize) == 0;
}

namespace {

// The header of a file whose stream is nPlain bytes long, in a buffer with room for the stream and its tag.
QByteArray Header(const CSealKey& key, std::size_t nPlain, const std::array<unsigned char, kNonceSize>& nonce) {
    QByteArray bytes(static_cast<qsizetype>(kHeaderSize + nPlain + kTagSize), Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    p[0] = static_cast<unsigned char>(kBannerSize - 1);
    std::memcpy(p + 1, kBanner, kBannerSize - 1);
    p[kVersionAt] = kVersion & 0xFF;
    p[kVersionAt + 1] = kVersion >> 8;
    p[kKdfAt] = kKdfArgon2id13;
    PutU32(p + kOpsAt, key.Cost().nOps);
    PutU32(p + kMemAt, key.Cost().nMemKiB);
    std::memcpy(p + kSaltAt, key.Salt().data(), kSaltSize);
    std::memcpy(p + kNonceAt, nonce.data(), kNonceSize);
    MakeCheck(key, p, p + kCheckAt);
    Sum(p, kSumAt, p + kSumAt);
    return bytes;
}

// Encrypts the stream that stands after the header, over itself (libsodium allows exactly that overlap).
void EncryptInPlace(const CSealKey& key, QByteArray& bytes, const std::array<unsigned char, kNonceSize>& nonce) {
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    const std::size_t nPlain = static_cast<std::size_t>(bytes.size()) - kHeaderSize - kTagSize;
    unsigned long long nSealed = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(p + kHeaderSize, &nSealed, p + kHeaderSize, nPlain, p, kHeaderSize,
                                               nullptr, nonce.data(), key.DataKey().data());
}

std::array<unsigned char, kNonceSize> FreshNonce() {
    std::array<unsigned char, kNonceSize> nonce{};
    randombytes_buf(nonce.data(), nonce.size());
    return nonce;
}

} // namespace

QByteArray Seal(const CSealKey& key, std::string_view plain, const std::array<unsigned char, kNonceSize>& nonce) {
    QByteArray bytes = Header(key, plain.size(), nonce);
    if (!plain.empty())
        std::memcpy(bytes.data() + kHeaderSize, plain.data(), plain.size());
    EncryptInPlace(key, bytes, nonce);
    return bytes;
}

QByteArray Seal(const CSealKey& key, std::string_view plain) {
    return Seal(key, plain, FreshNonce());
}

EResult Open(const CSealKey& key, std::string_view bytes, CSecureBytes& plain) {
    CHeader header;
    const EResult result = ReadHeader(bytes, header);
    if (result != EResult::ok)
        return result;
    if (!key.PassesCheck(bytes, header))
        return EResult::wrongPassword;
    const std::size_t nSealed = bytes.size() - kHeaderSize;
    CSecureBytes clear(nSealed - kTagSize);
    unsigned long long nClear = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(clear.data(), &nClear, nullptr, Bytes(bytes) + kHeaderSize, nSealed,
                                                   Bytes(bytes), kHeaderSize, header.nonce.data(),
                                                   key.DataKey().data()) != 0)
        return EResult::damaged;
    clear.Shrink(static_cast<std::size_t>(nClear));
    plain = std::move(clear);
    return EResult::ok;
}

namespace {

// The bytes of a length-prefixed string of n bytes.
std::size_t StringSize(std::size_t n) {
    return n + (n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7);
}

} // namespace

namespace {

std::size_t RecordStreamSize(const CSiteArray& sites) {
    std::size_t nSize = 4;
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const CSiteInfo& site = *sites[i];
        nSize += i == 0 ? 6 + std::strlen(CSiteInfo::kClassName) : 2;
        for (const std::string* p :
             {&site.m_strSite, &site.m_strURL, &site.m_strUser, &site.m_strPswd, &site.m_strNotes})
            nSize += StringSize(p->size());
    }
    return nSize;
}

void WriteRecords(CArchive& ar, const CSiteArray& sites) {
    ar.WriteDWord(static_cast<std::uint32_t>(sites.size()));
    for (const auto& pSite : sites) {
        ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
        pSite->Serialize(ar, std::string());
    }
    ar.Flush();
}

// A device over a fixed piece of memory that refuses to write past its end.
class CSpanDevice : public QIODevice {
public:
    CSpanDevice(char* p, std::size_t n) : m_p(p), m_n(n) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return static_cast<qint64>(m_n); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* p, qint64 n) override {
        const auto nPos = static_cast<std::size_t>(pos());
        if (nPos + static_cast<std::size_t>(n) > m_n)
            return -1;
        std::memcpy(m_p + nPos, p, static_cast<std::size_t>(n));
        return n;
    }

private:
    char* m_p;
    std::size_t m_n;
};

} // namespace

void WriteRecordStream(const CSiteArray& sites, CSecureBytes& plain) {
    plain = CSecureBytes();
    // The exact size first: the whole stream then takes one allocation of locked memory.
    plain.Reserve(RecordStreamSize(sites));
    CSecureDevice device(plain);
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    CArchive ar(&device, CArchive::store, 1 << 16);
    WriteRecords(ar, sites);
}

QByteArray SealSites(const CSealKey& key, const CSiteArray& sites, const std::array<unsigned char, kNonceSize>& nonce) {
    QByteArray bytes = Header(key, RecordStreamSize(sites), nonce);
    const std::size_t nPlain = static_cast<std::size_t>(bytes.size()) - kHeaderSize - kTagSize;
    try {
        CSpanDevice device(bytes.data() + kHeaderSize, nPlain);
        device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        CArchive ar(&device, CArchive::store, 1 << 16);
        WriteRecords(ar, sites);
        if (device.pos() != static_cast<qint64>(nPlain))
            throw CArchiveException(CArchiveException::writeError);
    } catch (...) {
        // A stream left half-written in clear is wiped before the buffer goes.
        sodium_memzero(bytes.data() + kHeaderSize, nPlain);
        throw;
    }
    EncryptInPlace(key, bytes, nonce);
    return bytes;
}

QByteArray SealSites(const CSealKey& key, const CSiteArray& sites) {
    return SealSites(key, sites, FreshNonce());
}

} // namespace SealedFormat
