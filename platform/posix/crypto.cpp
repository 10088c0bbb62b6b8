// The crypto primitives over OpenSSL's libcrypto (EVP interfaces; the older
// HMAC_CTX calls are deprecated in OpenSSL 3). The library is loaded when an
// encrypted member first needs it: linked in, its start-up work and the pages
// it relocates would cost every run of the reader, most of which never decrypt.
#include "platform/crypto.h"

#include <dlfcn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <string>

#include "platform/crypto_keys.h"
#include "platform/strings.h"

namespace platform {
namespace {

constexpr const char* kLibraryName = "libcrypto.so.3";

// The calls used, looked up once in the loaded library.
struct LibCrypto {
#define VANTREL_CRYPTO_CALL(name) decltype(&::name) name = nullptr;
#define VANTREL_CRYPTO_CALLS                              \
    VANTREL_CRYPTO_CALL(PKCS5_PBKDF2_HMAC)                \
    VANTREL_CRYPTO_CALL(EVP_sha1)                         \
    VANTREL_CRYPTO_CALL(EVP_aes_128_ecb)                  \
    VANTREL_CRYPTO_CALL(EVP_aes_192_ecb)                  \
    VANTREL_CRYPTO_CALL(EVP_aes_256_ecb)                  \
    VANTREL_CRYPTO_CALL(EVP_CIPHER_CTX_new)               \
    VANTREL_CRYPTO_CALL(EVP_CIPHER_CTX_free)              \
    VANTREL_CRYPTO_CALL(EVP_CIPHER_CTX_set_padding)       \
    VANTREL_CRYPTO_CALL(EVP_EncryptInit_ex)               \
    VANTREL_CRYPTO_CALL(EVP_EncryptUpdate)                \
    VANTREL_CRYPTO_CALL(EVP_MAC_fetch)                    \
    VANTREL_CRYPTO_CALL(EVP_MAC_free)                     \
    VANTREL_CRYPTO_CALL(EVP_MAC_CTX_new)                  \
    VANTREL_CRYPTO_CALL(EVP_MAC_CTX_free)                 \
    VANTREL_CRYPTO_CALL(EVP_MAC_init)                     \
    VANTREL_CRYPTO_CALL(EVP_MAC_update)                   \
    VANTREL_CRYPTO_CALL(EVP_MAC_final)                    \
    VANTREL_CRYPTO_CALL(OSSL_PARAM_construct_utf8_string) \
    VANTREL_CRYPTO_CALL(OSSL_PARAM_construct_end)
    VANTREL_CRYPTO_CALLS
#undef VANTREL_CRYPTO_CALL

    bool Load() {
        // Kept for the life of the process: the calls' state lives in it.
        void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return false;
        bool complete = true;
#define VANTREL_CRYPTO_CALL(name)                                     \
    name = reinterpret_cast<decltype(name)>(::dlsym(library, #name)); \
    complete = complete && name != nullptr;
        VANTREL_CRYPTO_CALLS
#undef VANTREL_CRYPTO_CALL
        return complete;
    }
#undef VANTREL_CRYPTO_CALLS
};

// The library, loaded on first use; throws ECryptoError where it is missing.
const LibCrypto& Crypto() {
    static const LibCrypto* const loaded = [] {
        static LibCrypto library;
        return library.Load() ? &library : nullptr;
    }();
    if (loaded == nullptr) throw ECryptoError(u"loading " + Utf8ToWide(kLibraryName));
    return *loaded;
}

const EVP_CIPHER* AesEcbCipher(std::size_t keySize) {
    switch (keySize) {
    case 16:
        return Crypto().EVP_aes_128_ecb();
    case 24:
        return Crypto().EVP_aes_192_ecb();
    case 32:
        return Crypto().EVP_aes_256_ecb();
    default:
        throw ECryptoError(u"AES key length");
    }
}

void Require(int ok, std::u16string_view operation) {
    if (ok != 1) throw ECryptoError(operation);
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { Crypto().EVP_CIPHER_CTX_free(ctx); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const noexcept { Crypto().EVP_MAC_free(mac); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* ctx) const noexcept { Crypto().EVP_MAC_CTX_free(ctx); }
};

}  // namespace

void Pbkdf2HmacSha1(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                    std::uint32_t iterations, std::span<std::uint8_t> derived) {
    const auto key = crypto_detail::NonEmptyHmacKey(password);
    Require(Crypto().PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(key.data()), static_cast<int>(key.size()),
                                       salt.data(), static_cast<int>(salt.size()), static_cast<int>(iterations),
                                       Crypto().EVP_sha1(), static_cast<int>(derived.size()), derived.data()),
            u"PBKDF2");
}

struct AesEcb::State {
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx;
};

AesEcb::AesEcb(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    const EVP_CIPHER* cipher = AesEcbCipher(key.size());
    state_->ctx.reset(Crypto().EVP_CIPHER_CTX_new());
    if (!state_->ctx) throw ECryptoError(u"AES context");
    Require(Crypto().EVP_EncryptInit_ex(state_->ctx.get(), cipher, nullptr, key.data(), nullptr), u"AES key");
    // Whole blocks only: no padding is added or expected.
    Require(Crypto().EVP_CIPHER_CTX_set_padding(state_->ctx.get(), 0), u"AES padding");
}

AesEcb::~AesEcb() = default;
AesEcb::AesEcb(AesEcb&&) noexcept = default;
AesEcb& AesEcb::operator=(AesEcb&&) noexcept = default;

void AesEcb::EncryptBlocks(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    if (input.size() % kAesBlockSize != 0 || output.size() != input.size()) throw ECryptoError(u"AES block length");
    int written = 0;
    Require(Crypto().EVP_EncryptUpdate(state_->ctx.get(), output.data(), &written, input.data(),
                                       static_cast<int>(input.size())),
            u"AES encrypt");
    if (static_cast<std::size_t>(written) != input.size()) throw ECryptoError(u"AES encrypt");
}

struct HmacSha1::State {
    std::unique_ptr<EVP_MAC_CTX, MacContextFree> ctx;
};

HmacSha1::HmacSha1(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    const std::unique_ptr<EVP_MAC, MacFree> mac(Crypto().EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (!mac) throw ECryptoError(u"HMAC");
    state_->ctx.reset(Crypto().EVP_MAC_CTX_new(mac.get()));
    if (!state_->ctx) throw ECryptoError(u"HMAC context");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {Crypto().OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 Crypto().OSSL_PARAM_construct_end()};
    const auto nonEmpty = crypto_detail::NonEmptyHmacKey(key);
    Require(Crypto().EVP_MAC_init(state_->ctx.get(), nonEmpty.data(), nonEmpty.size(), params), u"HMAC key");
}

HmacSha1::~HmacSha1() = default;
HmacSha1::HmacSha1(HmacSha1&&) noexcept = default;
HmacSha1& HmacSha1::operator=(HmacSha1&&) noexcept = default;

void HmacSha1::Update(std::span<const std::uint8_t> data) {
    Require(Crypto().EVP_MAC_update(state_->ctx.get(), data.data(), data.size()), u"HMAC update");
}

std::array<std::uint8_t, kSha1DigestSize> HmacSha1::Finish() {
    std::array<std::uint8_t, kSha1DigestSize> code{};
    std::size_t length = 0;
    Require(Crypto().EVP_MAC_final(state_->ctx.get(), code.data(), &length, code.size()), u"HMAC final");
    if (length != code.size()) throw ECryptoError(u"HMAC final");
    return code;
}

}  // namespace platform
