#pragma once
// AES-encrypted members (AE-1 and AE-2) for the test-side ZIP writer.
// The counter mode and the authentication code are built here, block by block,
// over the platform's primitives: independent of the reader's own decryption.

#include <cstdint>
#include <string>

#include "tests/support/zip_writer.h"

namespace testing_support {

struct AesOptions {
    std::string password;
    std::uint8_t strength = 3;        // 1, 2, 3: 128-, 192-, 256-bit key
    std::uint16_t vendorVersion = 2;  // 1: AE-1 (CRC-32 stored), 2: AE-2 (CRC-32 0)
};

// Bytes of an AES member's stored data that surround the encrypted data.
std::size_t AesSaltLength(std::uint8_t strength);
inline constexpr std::size_t kAesVerifierLength = 2;
inline constexpr std::size_t kAesCodeLength = 10;

// A member as AES writers make it: method 99 with the AES extra block (0x9901,
// "AE", the strength and `method`, 0 or 8) in both headers, flag bit 0, version
// 5.1, and as stored data the salt, the password verifier, the encrypted stored
// or deflated bytes and the authentication code.
ZipMember AesMember(std::string name, std::string plain, const AesOptions& aes, std::uint16_t method = 0);

// The AES extra block of a member of that kind.
std::string AesExtraBlock(std::uint8_t strength, std::uint16_t vendorVersion, std::uint16_t method);

}  // namespace testing_support
