// The crypto primitives over BCrypt (CNG). Each object opens its own algorithm
// provider: the reader needs a handful per member, and shared provider handles
// would need a lifetime of their own. BCrypt calls return an NTSTATUS, not a
// Win32 error: success is any non-negative value.
#include "platform/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "platform/crypto_keys.h"
#include "platform/unique_handle.h"

namespace platform {
namespace {

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct KeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { BCryptDestroyKey(handle); }
};
struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { BCryptDestroyHash(handle); }
};
using Algorithm = UniqueHandle<AlgorithmTraits>;

void Require(NTSTATUS status, std::u16string_view operation) {
    if (status < 0) throw ECryptoError(operation);
}

Algorithm OpenAlgorithm(const wchar_t* id, ULONG flags) {
    BCRYPT_ALG_HANDLE handle = nullptr;
    Require(BCryptOpenAlgorithmProvider(&handle, id, nullptr, flags), u"open provider");
    return Algorithm(handle);
}

// BCrypt takes non-const buffers even where it only reads them.
PUCHAR Input(std::span<const std::uint8_t> data) { return const_cast<PUCHAR>(data.data()); }

}  // namespace

void Pbkdf2HmacSha1(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                    std::uint32_t iterations, std::span<std::uint8_t> derived) {
    const Algorithm prf = OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    const auto key = crypto_detail::NonEmptyHmacKey(password);
    Require(BCryptDeriveKeyPBKDF2(prf.get(), Input(key), static_cast<ULONG>(key.size()), Input(salt),
                                  static_cast<ULONG>(salt.size()), iterations, derived.data(),
                                  static_cast<ULONG>(derived.size()), 0),
            u"PBKDF2");
}

struct AesEcb::State {
    Algorithm algorithm;
    UniqueHandle<KeyTraits> key;
};

AesEcb::AesEcb(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) throw ECryptoError(u"AES key length");
    state_->algorithm = OpenAlgorithm(BCRYPT_AES_ALGORITHM, 0);
    auto* mode = reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB));
    Require(BCryptSetProperty(state_->algorithm.get(), BCRYPT_CHAINING_MODE, mode,
                              static_cast<ULONG>(sizeof(BCRYPT_CHAIN_MODE_ECB)), 0),
            u"AES mode");
    BCRYPT_KEY_HANDLE handle = nullptr;
    Require(BCryptGenerateSymmetricKey(state_->algorithm.get(), &handle, nullptr, 0, Input(key),
                                       static_cast<ULONG>(key.size()), 0),
            u"AES key");
    state_->key.reset(handle);
}

AesEcb::~AesEcb() = default;
AesEcb::AesEcb(AesEcb&&) noexcept = default;
AesEcb& AesEcb::operator=(AesEcb&&) noexcept = default;

void AesEcb::EncryptBlocks(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    if (input.size() % kAesBlockSize != 0 || output.size() != input.size()) throw ECryptoError(u"AES block length");
    ULONG written = 0;
    Require(BCryptEncrypt(state_->key.get(), Input(input), static_cast<ULONG>(input.size()), nullptr, nullptr, 0,
                          output.data(), static_cast<ULONG>(output.size()), &written, 0),
            u"AES encrypt");
    if (written != input.size()) throw ECryptoError(u"AES encrypt");
}

struct HmacSha1::State {
    Algorithm algorithm;
    UniqueHandle<HashTraits> hash;
};

HmacSha1::HmacSha1(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    state_->algorithm = OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    const auto nonEmpty = crypto_detail::NonEmptyHmacKey(key);
    BCRYPT_HASH_HANDLE handle = nullptr;
    // No hash object buffer: BCrypt allocates it (Windows 7 and later).
    Require(BCryptCreateHash(state_->algorithm.get(), &handle, nullptr, 0, Input(nonEmpty),
                             static_cast<ULONG>(nonEmpty.size()), 0),
            u"HMAC key");
    state_->hash.reset(handle);
}

HmacSha1::~HmacSha1() = default;
HmacSha1::HmacSha1(HmacSha1&&) noexcept = default;
HmacSha1& HmacSha1::operator=(HmacSha1&&) noexcept = default;

void HmacSha1::Update(std::span<const std::uint8_t> data) {
    Require(BCryptHashData(state_->hash.get(), Input(data), static_cast<ULONG>(data.size()), 0), u"HMAC update");
}

std::array<std::uint8_t, kSha1DigestSize> HmacSha1::Finish() {
    std::array<std::uint8_t, kSha1DigestSize> code{};
    Require(BCryptFinishHash(state_->hash.get(), code.data(), static_cast<ULONG>(code.size()), 0), u"HMAC final");
    return code;
}

}  // namespace platform
