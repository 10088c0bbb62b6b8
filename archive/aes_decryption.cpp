#include "archive/aes_decryption.h"

#include <algorithm>

#include "archive/byte_reader.h"
#include "archive/stream_reader.h"
#include "platform/stream.h"

namespace archive {
namespace {

constexpr std::size_t kAesBlockLength = 7;  // vendor version, vendor id, strength, actual method
// Counter blocks encrypted per call of the platform: large enough that a chunk
// needs few calls, small enough that the buffers stay modest.
constexpr std::size_t kBlocksPerRefill = 4096;

// The counter block: the counter as a little-endian number. Members never come
// near 2^64 blocks, so the upper eight bytes stay zero.
void PutCounterBlock(std::uint8_t* block, std::uint64_t counter) {
    for (std::size_t i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    std::fill(block + 8, block + platform::kAesBlockSize, std::uint8_t{0});
}

}  // namespace

std::size_t AesSaltSize(TZFCryptoAlgorithm algorithm) noexcept { return AesKeySize(algorithm) / 2; }

std::size_t AesKeySize(TZFCryptoAlgorithm algorithm) noexcept {
    switch (algorithm) {
    case caAES_128:
        return 16;
    case caAES_192:
        return 24;
    default:
        return 32;
    }
}

std::int64_t AesOverhead(TZFCryptoAlgorithm algorithm) noexcept {
    return static_cast<std::int64_t>(AesSaltSize(algorithm) + kAesVerifierSize + kAesAuthCodeSize);
}

// The loader lets the last complete AES block decide; so does this.
std::uint16_t AesVendorVersion(const TDirItem& item) noexcept {
    std::uint16_t version = 0;
    for (const TZFExtraFieldDataBlock& block : item.ExtraFields()) {
        if (block.headerID != kAesExtraId || block.pData.size() < kAesBlockLength) continue;
        version = ByteReader(block.pData).U16();
    }
    return version;
}

AesKeys DeriveAesKeys(std::string_view password, std::span<const std::uint8_t> salt, std::size_t keySize) {
    std::vector<std::uint8_t> derived(2 * keySize + kAesVerifierSize);
    platform::Pbkdf2HmacSha1(platform::Bytes(password), salt, kAesKeyIterations, derived);
    AesKeys keys;
    keys.encryption.assign(derived.begin(), derived.begin() + static_cast<std::ptrdiff_t>(keySize));
    keys.authentication.assign(derived.begin() + static_cast<std::ptrdiff_t>(keySize),
                               derived.begin() + static_cast<std::ptrdiff_t>(2 * keySize));
    std::copy(derived.end() - kAesVerifierSize, derived.end(), keys.verifier.begin());
    return keys;
}

AesMemberCipher::AesMemberCipher(const AesKeys& keys, bool testsCrc)
        : aes_(keys.encryption), hmac_(keys.authentication), testsCrc_(testsCrc) {}

// The authentication code covers the encrypted bytes, so they go into the HMAC
// before they are decrypted.
void AesMemberCipher::Decrypt(std::span<std::uint8_t> data) {
    hmac_.Update(data);
    ApplyKeyStream(data);
}

void AesMemberCipher::ApplyKeyStream(std::span<std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        if (keyStreamUsed_ == keyStream_.size()) RefillKeyStream(data.size() - done);
        const std::size_t n = std::min(data.size() - done, keyStream_.size() - keyStreamUsed_);
        for (std::size_t i = 0; i < n; ++i) data[done + i] ^= keyStream_[keyStreamUsed_ + i];
        keyStreamUsed_ += n;
        done += n;
    }
}

// Counter mode built over single-block encryption: the next counter blocks are
// encrypted in one call. A chunk that ends inside a block leaves the rest of
// that block's key stream for the next chunk.
void AesMemberCipher::RefillKeyStream(std::size_t bytesWanted) {
    const std::size_t blocks =
        std::min(kBlocksPerRefill, (bytesWanted + platform::kAesBlockSize - 1) / platform::kAesBlockSize);
    counters_.resize(blocks * platform::kAesBlockSize);
    keyStream_.resize(counters_.size());
    for (std::size_t b = 0; b < blocks; ++b) PutCounterBlock(&counters_[b * platform::kAesBlockSize], ++counter_);
    aes_.EncryptBlocks(counters_, keyStream_);
    keyStreamUsed_ = 0;
}

bool AesMemberCipher::DataAuthenticated(platform::Stream& archive) {
    std::array<std::uint8_t, kAesAuthCodeSize> stored{};
    if (!ReadFully(archive, stored)) return false;
    const auto computed = hmac_.Finish();
    return std::equal(stored.begin(), stored.end(), computed.begin());
}

}  // namespace archive
