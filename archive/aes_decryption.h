#pragma once
// AES encryption of a member (AE-1 and AE-2, marked by the extra block
// 0x9901): in front of the data a salt (8, 12 or 16 bytes by key strength) and
// a 2-byte password verifier; keys from PBKDF2-HMAC-SHA1 over the password and
// salt (1,000 iterations); AES in counter mode with a little-endian counter that
// starts at 1; behind the data a 10-byte authentication code, the first bytes of
// an HMAC-SHA1 over the encrypted data. The primitives come from the platform.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "archive/dir_item.h"
#include "archive/member_cipher.h"
#include "platform/crypto.h"

namespace archive {

inline constexpr std::size_t kAesVerifierSize = 2;
inline constexpr std::size_t kAesAuthCodeSize = 10;
inline constexpr std::uint32_t kAesKeyIterations = 1000;
// Vendor version of AE-2: the CRC-32 is not stored (0), the authentication code alone judges the data.
inline constexpr std::uint16_t kAesVendorVersionAe2 = 2;

// Salt length of an AES member: 8, 12 or 16 bytes for 128-, 192- and 256-bit keys.
std::size_t AesSaltSize(TZFCryptoAlgorithm algorithm) noexcept;
// Key length in bytes: 16, 24 or 32.
std::size_t AesKeySize(TZFCryptoAlgorithm algorithm) noexcept;
// Bytes of the compressed size that are not member data: salt, verifier, authentication code.
std::int64_t AesOverhead(TZFCryptoAlgorithm algorithm) noexcept;

// The vendor version of the member's AES block (1 for AE-1, 2 for AE-2); 0 without one.
std::uint16_t AesVendorVersion(const TDirItem& item) noexcept;

// What PBKDF2 derives from a password and a salt.
struct AesKeys {
    std::vector<std::uint8_t> encryption;
    std::vector<std::uint8_t> authentication;
    std::array<std::uint8_t, kAesVerifierSize> verifier{};
};

// Throws platform::ECryptoError.
AesKeys DeriveAesKeys(std::string_view password, std::span<const std::uint8_t> salt, std::size_t keySize);

// Decrypts the data of one AES member chunk by chunk and keeps the HMAC over
// what it decrypted, for the authentication code behind the data.
class AesMemberCipher : public MemberCipher {
public:
    // `testsCrc` false for AE-2. Throws platform::ECryptoError.
    AesMemberCipher(const AesKeys& keys, bool testsCrc);

    void Decrypt(std::span<std::uint8_t> data) override;
    // Reads the 10-byte authentication code at the stream position and compares it
    // with the HMAC of the data decrypted; false when it is cut short or differs.
    bool DataAuthenticated(platform::Stream& archive) override;
    bool TestsCrc() const override { return testsCrc_; }

private:
    void ApplyKeyStream(std::span<std::uint8_t> data);
    void RefillKeyStream(std::size_t bytesWanted);

    platform::AesEcb aes_;
    platform::HmacSha1 hmac_;
    bool testsCrc_;
    std::uint64_t counter_ = 0;            // the last counter value encrypted
    std::vector<std::uint8_t> counters_;   // counter blocks of one refill
    std::vector<std::uint8_t> keyStream_;  // their encryption
    std::size_t keyStreamUsed_ = 0;        // bytes of keyStream_ already applied
};

}  // namespace archive
