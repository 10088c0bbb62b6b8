// The system's crypto primitives against the published test vectors (RFC 6070
// for PBKDF2-HMAC-SHA1, FIPS-197 appendix C for AES, RFC 2202 for HMAC-SHA1),
// so that BCrypt and libcrypto are held to the same bytes.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::vector<std::uint8_t> Sequence(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::string Pbkdf2Hex(std::string_view password, std::string_view salt, std::uint32_t iterations, std::size_t length) {
    std::vector<std::uint8_t> derived(length);
    Pbkdf2HmacSha1(Bytes(password), Bytes(salt), iterations, derived);
    return ToHex(derived);
}

std::string HmacHex(std::span<const std::uint8_t> key, std::string_view message) {
    HmacSha1 hmac(key);
    hmac.Update(Bytes(message));
    return ToHex(hmac.Finish());
}

TEST(Pbkdf2HmacSha1, Rfc6070Vectors) {
    struct Row {
        std::string password, salt;
        std::uint32_t iterations;
        std::size_t length;
        const char* expected;
    };
    const Row rows[] = {
        {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16, "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(Pbkdf2Hex(row.password, row.salt, row.iterations, row.length), row.expected);
    }
}

// One iteration of PBKDF2 is one HMAC of the salt and the block number 1: this
// holds for the empty password as well, which some providers take only in its
// zero-byte form.
TEST(Pbkdf2HmacSha1, EmptyPasswordIsTheEmptyHmacKey) {
    const std::string salt = "0123456789abcdef";
    HmacSha1 hmac(std::span<const std::uint8_t>{});
    hmac.Update(Bytes(salt + std::string("\0\0\0\1", 4)));
    EXPECT_EQ(Pbkdf2Hex("", salt, 1, 20), ToHex(hmac.Finish()));
}

TEST(AesEcb, Fips197AppendixC) {
    const auto plain = FromHex("00112233445566778899aabbccddeeff");
    const struct {
        std::size_t keySize;
        const char* expected;
    } rows[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                {32, "8ea2b7ca516745bfeafc49904b496089"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keySize);
        AesEcb aes(Sequence(row.keySize));
        std::vector<std::uint8_t> out(plain.size());
        aes.EncryptBlocks(plain, out);
        EXPECT_EQ(ToHex(out), row.expected);
    }
}

// Many blocks in one call give what each block gives on its own (no chaining).
TEST(AesEcb, BlocksAreIndependentAndCallsKeepNoState) {
    AesEcb aes(Sequence(32));
    const auto input = Sequence(16 * 300);
    std::vector<std::uint8_t> together(input.size());
    aes.EncryptBlocks(input, together);
    for (std::size_t at = 0; at < input.size(); at += 16) {
        std::vector<std::uint8_t> single(16);
        aes.EncryptBlocks(std::span(input).subspan(at, 16), single);
        ASSERT_EQ(ToHex(single), ToHex(std::span(together).subspan(at, 16))) << "block at " << at;
    }
}

TEST(AesEcb, RefusesBadKeysAndPartialBlocks) {
    EXPECT_THROW(AesEcb(Sequence(20)), ECryptoError);
    EXPECT_THROW(AesEcb(Sequence(0)), ECryptoError);
    AesEcb aes(Sequence(16));
    std::vector<std::uint8_t> out(17);
    EXPECT_THROW(aes.EncryptBlocks(Sequence(17), out), ECryptoError);
}

TEST(HmacSha1, Rfc2202Vectors) {
    EXPECT_EQ(HmacHex(std::vector<std::uint8_t>(20, 0x0b), "Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(HmacHex(Bytes("Jefe"), "what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(HmacHex(std::vector<std::uint8_t>(80, 0xaa), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(HmacHex({}, ""), "fbdb1d1b18aa6c08324b7d64b71fb76370690e1d");
}

TEST(HmacSha1, PiecesGiveTheCodeOfTheWhole) {
    const std::string message(5000, 'm');
    const std::string whole = HmacHex(Bytes("key"), message);
    for (std::size_t piece : {1u, 7u, 64u, 1000u}) {
        SCOPED_TRACE(piece);
        HmacSha1 hmac(Bytes("key"));
        for (std::size_t at = 0; at < message.size(); at += piece) {
            hmac.Update(Bytes(std::string_view(message).substr(at, piece)));
        }
        EXPECT_EQ(ToHex(hmac.Finish()), whole);
    }
}

}  // namespace
