#include "tests/support/zip_aes.h"

#include <array>
#include <vector>

#include "platform/crypto.h"

namespace testing_support {
namespace {

constexpr std::uint16_t kMethodAes = 99;
constexpr std::uint16_t kVersionAes = 51;

std::span<std::uint8_t> Writable(std::string& text) {
    return {reinterpret_cast<std::uint8_t*>(text.data()), text.size()};
}

// Counter mode, one block at a time: block i is combined with the encryption of
// the little-endian counter i + 1.
void CounterModeEncrypt(std::span<const std::uint8_t> key, std::string& data) {
    platform::AesEcb aes(key);
    for (std::size_t at = 0, counter = 1; at < data.size(); at += 16, ++counter) {
        std::array<std::uint8_t, 16> block{};
        for (std::size_t i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(counter >> (8 * i));
        std::array<std::uint8_t, 16> stream{};
        aes.EncryptBlocks(block, stream);
        for (std::size_t i = 0; i < 16 && at + i < data.size(); ++i) data[at + i] ^= static_cast<char>(stream[i]);
    }
}

}  // namespace

std::size_t AesSaltLength(std::uint8_t strength) { return 4u + 4u * strength; }

std::string AesExtraBlock(std::uint8_t strength, std::uint16_t vendorVersion, std::uint16_t method) {
    return ExtraBlock(0x9901, Le16(vendorVersion) + "AE" + static_cast<char>(strength) + Le16(method));
}

ZipMember AesMember(std::string name, std::string plain, const AesOptions& aes, std::uint16_t method) {
    const std::size_t keyLength = 2 * AesSaltLength(aes.strength);
    std::string salt;
    for (std::size_t i = 0; i < AesSaltLength(aes.strength); ++i) salt += static_cast<char>(0xA0 + 7 * i);
    std::vector<std::uint8_t> derived(2 * keyLength + kAesVerifierLength);
    platform::Pbkdf2HmacSha1(platform::Bytes(aes.password), platform::Bytes(salt), 1000, derived);
    const std::span<const std::uint8_t> keys(derived);

    std::string encrypted = method == 8 ? RawDeflate(plain) : plain;
    CounterModeEncrypt(keys.first(keyLength), encrypted);
    platform::HmacSha1 hmac(keys.subspan(keyLength, keyLength));
    hmac.Update(Writable(encrypted));
    const auto code = hmac.Finish();

    ZipMember member{.name = std::move(name), .data = std::move(plain), .method = kMethodAes};
    member.flags = 0x0001;
    member.extractVersion = kVersionAes;
    member.localExtra = member.centralExtra = AesExtraBlock(aes.strength, aes.vendorVersion, method);
    if (aes.vendorVersion == 2) member.crcOverride = 0;
    member.rawData = salt + std::string(derived.end() - kAesVerifierLength, derived.end()) + encrypted +
                     std::string(code.begin(), code.begin() + kAesCodeLength);
    return member;
}

}  // namespace testing_support
