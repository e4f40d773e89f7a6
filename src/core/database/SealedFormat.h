#pragma once

#include "core/database/SiteInfo.h"
#include "core/platform/SecureMemory.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The sealed file: a banner the classic reader refuses as foreign, a header naming the key derivation
// and its cost, and the classic record stream (count and tagged records, fields in clear) encrypted and
// authenticated with XChaCha20-Poly1305 under a key derived from the file password with Argon2id. Every
// header byte is associated data of the encryption. docs/SEALED-FORMAT.md gives the layout and why.
namespace SealedFormat {

inline constexpr const char* kBanner = "Lockwarden Sealed File";
inline constexpr std::uint16_t kVersion = 1;
inline constexpr std::uint8_t kKdfArgon2id13 = 1;

inline constexpr std::size_t kBannerSize = 1 + 22; // length byte and text, as the classic reader reads it
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kNonceSize = 24;
inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kCheckSize = 32;
inline constexpr std::size_t kSumSize = 32;
inline constexpr std::size_t kTagSize = 16;
// Where each header field starts.
inline constexpr std::size_t kVersionAt = kBannerSize;
inline constexpr std::size_t kKdfAt = kVersionAt + 2;
inline constexpr std::size_t kOpsAt = kKdfAt + 1;
inline constexpr std::size_t kMemAt = kOpsAt + 4;
inline constexpr std::size_t kSaltAt = kMemAt + 4;
inline constexpr std::size_t kNonceAt = kSaltAt + kSaltSize;
inline constexpr std::size_t kCheckAt = kNonceAt + kNonceSize;
inline constexpr std::size_t kSumAt = kCheckAt + kCheckSize;
inline constexpr std::size_t kHeaderSize = kSumAt + kSumSize;
// The smallest sealed file: the header and the tag of an empty stream.
inline constexpr std::size_t kMinFileSize = kHeaderSize + kTagSize;

// Argon2id's cost: passes over the memory, and the memory in KiB.
struct CCost {
    std::uint32_t nOps = 0;
    std::uint32_t nMemKiB = 0;
    bool operator==(const CCost&) const = default;
};
// The cost of the files sealed before costs were calibrated: about 0.2 s per guess on a desktop machine.
inline constexpr CCost kDefaultCost{3, 64 * 1024};
// What a reader accepts. The ceiling keeps a hostile header from asking for gigabytes; the floor keeps
// a file from claiming a cost that protects nothing.
inline constexpr CCost kMinCost{1, 8 * 1024};
inline constexpr CCost kMaxCost{16, 1024 * 1024};
bool IsCostAllowed(const CCost& cost);
// A new key's memory: never less than kFloorMemKiB, libsodium's moderate memory where the machine has
// kModerateNeedsBytes of memory, so that an attacker's every guess costs as much memory as ours.
inline constexpr std::uint32_t kFloorMemKiB = 64 * 1024;
inline constexpr std::uint32_t kModerateMemKiB = 256 * 1024;
inline constexpr std::uint64_t kModerateNeedsBytes = std::uint64_t{2} << 30;
// What one derivation of a new key should take on the machine that seals, in seconds.
inline constexpr double kTargetSeconds = 1.0;
// The cost for a machine with nMachineBytes of memory, where one pass over the memory chosen takes
// fSecondsPerPass: the passes that fill fTargetSeconds, within what a reader accepts.
CCost ChooseCost(std::uint64_t nMachineBytes, double fSecondsPerPass, double fTargetSeconds);
// The same, measured here: one pass is timed with the memory this machine gets, in processor time, so that
// other work on a busy machine does not make the pass look slow and the key too cheap.
CCost CalibrateCost(double fTargetSeconds = kTargetSeconds);
// The processor time the calling thread has used, in seconds (0 where it cannot be read).
double ThreadProcessorSeconds();
// The cost new keys are derived with: calibrated once per run for kTargetSeconds, unless set (a test lowers
// it for speed; a user asks for another duration).
CCost NewKeyCost();
void SetNewKeyCost(const CCost& cost);

enum class EResult {
    ok,
    notSealed,     // does not begin with the sealed banner
    damaged,       // too short, or a header that fails its checksum, or data that fails its tag
    newerVersion,  // a format version or key derivation this reader does not know
    costRefused,   // a cost outside the floor and the ceiling
    wrongPassword, // the key does not pass the key check
    outOfMemory,   // the key derivation could not get its memory
};

struct CHeader {
    std::uint16_t nVersion = 0;
    std::uint8_t nKdf = 0;
    CCost cost;
    std::array<unsigned char, kSaltSize> salt{};
    std::array<unsigned char, kNonceSize> nonce{};
    std::array<unsigned char, kCheckSize> check{};
};

bool HasBanner(std::string_view bytes);
// Reads and checks the header: the checksum first (damage), then the version, then the cost, all
// before anything is derived or allocated.
EResult ReadHeader(std::string_view bytes, CHeader& header);

// A sealed file's key: derived once from the password, kept in locked memory with the password, the
// salt and the cost it came from, and used for every save until the password changes.
class CSealKey {
public:
    // Derives with a fresh random salt.
    static EResult Derive(std::string_view strPassword, const CCost& cost, std::unique_ptr<CSealKey>& pKey);
    // Derives with a given salt: opening a file, and the known answers of the tests.
    static EResult Derive(std::string_view strPassword, const CCost& cost,
                          const std::array<unsigned char, kSaltSize>& salt, std::unique_ptr<CSealKey>& pKey);

    const CCost& Cost() const { return m_cost; }
    const std::array<unsigned char, kSaltSize>& Salt() const { return m_salt; }
    std::string_view Password() const { return m_password.view(); }
    // True when this key is the one the key check of the file (its header read into header) was made with.
    bool PassesCheck(std::string_view bytes, const CHeader& header) const;

    // The check over the derivation inputs (banner to salt) and the sealing key, from the derived key.
    const CSecureBytes& CheckKey() const { return m_checkKey; }
    const CSecureBytes& DataKey() const { return m_dataKey; }

private:
    CSealKey() = default;
    CCost m_cost;
    std::array<unsigned char, kSaltSize> m_salt{};
    CSecureBytes m_password;
    CSecureBytes m_checkKey;
    CSecureBytes m_dataKey;
};

// Seals a clear record stream: the header with this key's salt and cost and the nonce given, then the
// stream encrypted. The nonce is random for every save; tests give a fixed one.
QByteArray Seal(const CSealKey& key, std::string_view plain, const std::array<unsigned char, kNonceSize>& nonce);
QByteArray Seal(const CSealKey& key, std::string_view plain);
// Opens a sealed file with a key that passed the check; the clear stream goes to plain. Only ok,
// damaged (or notSealed) come back: a file whose tag fails loads nothing.
EResult Open(const CSealKey& key, std::string_view bytes, CSecureBytes& plain);

// The clear record stream of sites (count and tagged records, fields not enciphered).
void WriteRecordStream(const CSiteArray& sites, CSecureBytes& plain);
// The whole sealed file of sites, as Seal(key, stream of sites) gives it but without a copy of the clear
// stream: it is written where its ciphertext goes and encrypted over itself, so no clear byte survives.
QByteArray SealSites(const CSealKey& key, const CSiteArray& sites);
QByteArray SealSites(const CSealKey& key, const CSiteArray& sites, const std::array<unsigned char, kNonceSize>& nonce);

} // namespace SealedFormat
