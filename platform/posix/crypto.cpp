// The crypto primitives over OpenSSL's libcrypto (EVP interfaces; the older
// HMAC_CTX calls are deprecated in OpenSSL 3).
#include "platform/crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include "platform/crypto_keys.h"

namespace platform {
namespace {

const EVP_CIPHER* AesEcbCipher(std::size_t keySize) {
    switch (keySize) {
        case 16: return EVP_aes_128_ecb();
        case 24: return EVP_aes_192_ecb();
        case 32: return EVP_aes_256_ecb();
        default: throw ECryptoError(u"AES key length");
    }
}

void Require(int ok, std::u16string_view operation) {
    if (ok != 1) throw ECryptoError(operation);
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const noexcept { EVP_MAC_free(mac); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* ctx) const noexcept { EVP_MAC_CTX_free(ctx); }
};

}  // namespace

void Pbkdf2HmacSha1(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                    std::uint32_t iterations, std::span<std::uint8_t> derived) {
    const auto key = crypto_detail::NonEmptyHmacKey(password);
    Require(PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(key.data()), static_cast<int>(key.size()), salt.data(),
                              static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha1(),
                              static_cast<int>(derived.size()), derived.data()),
            u"PBKDF2");
}

struct AesEcb::State {
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx;
};

AesEcb::AesEcb(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    const EVP_CIPHER* cipher = AesEcbCipher(key.size());
    state_->ctx.reset(EVP_CIPHER_CTX_new());
    if (!state_->ctx) throw ECryptoError(u"AES context");
    Require(EVP_EncryptInit_ex(state_->ctx.get(), cipher, nullptr, key.data(), nullptr), u"AES key");
    // Whole blocks only: no padding is added or expected.
    Require(EVP_CIPHER_CTX_set_padding(state_->ctx.get(), 0), u"AES padding");
}

AesEcb::~AesEcb() = default;
AesEcb::AesEcb(AesEcb&&) noexcept = default;
AesEcb& AesEcb::operator=(AesEcb&&) noexcept = default;

void AesEcb::EncryptBlocks(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    if (input.size() % kAesBlockSize != 0 || output.size() != input.size()) throw ECryptoError(u"AES block length");
    int written = 0;
    Require(EVP_EncryptUpdate(state_->ctx.get(), output.data(), &written, input.data(), static_cast<int>(input.size())),
            u"AES encrypt");
    if (static_cast<std::size_t>(written) != input.size()) throw ECryptoError(u"AES encrypt");
}

struct HmacSha1::State {
    std::unique_ptr<EVP_MAC_CTX, MacContextFree> ctx;
};

HmacSha1::HmacSha1(std::span<const std::uint8_t> key) : state_(std::make_unique<State>()) {
    const std::unique_ptr<EVP_MAC, MacFree> mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (!mac) throw ECryptoError(u"HMAC");
    state_->ctx.reset(EVP_MAC_CTX_new(mac.get()));
    if (!state_->ctx) throw ECryptoError(u"HMAC context");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    const auto nonEmpty = crypto_detail::NonEmptyHmacKey(key);
    Require(EVP_MAC_init(state_->ctx.get(), nonEmpty.data(), nonEmpty.size(), params), u"HMAC key");
}

HmacSha1::~HmacSha1() = default;
HmacSha1::HmacSha1(HmacSha1&&) noexcept = default;
HmacSha1& HmacSha1::operator=(HmacSha1&&) noexcept = default;

void HmacSha1::Update(std::span<const std::uint8_t> data) {
    Require(EVP_MAC_update(state_->ctx.get(), data.data(), data.size()), u"HMAC update");
}

std::array<std::uint8_t, kSha1DigestSize> HmacSha1::Finish() {
    std::array<std::uint8_t, kSha1DigestSize> code{};
    std::size_t length = 0;
    Require(EVP_MAC_final(state_->ctx.get(), code.data(), &length, code.size()), u"HMAC final");
    if (length != code.size()) throw ECryptoError(u"HMAC final");
    return code;
}

}  // namespace platform
