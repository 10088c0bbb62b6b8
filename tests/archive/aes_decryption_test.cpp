// The reader's AES decryption against the test writer's block-by-block counter
// mode: the key stream is made in batches and runs on across pieces of any
// size, and the authentication code is checked behind the data.
#include "archive/aes_decryption.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/dir_array.h"
#include "platform/stream.h"
#include "tests/support/zip_aes.h"
#include "tests/support/zip_writer.h"

using namespace archive;

namespace {

struct EncryptedData {
    AesKeys keys;
    std::string salt, verifier, encrypted, code;
};

// Splits the writer's stored data into its parts and derives the reader's keys.
EncryptedData Encrypt(const std::string& plain, std::uint8_t strength, const std::string& password) {
    const auto member = testing_support::AesMember("m", plain, {password, strength, 2});
    const std::string& raw = *member.rawData;
    const std::size_t salt = testing_support::AesSaltLength(strength);
    EncryptedData d;
    d.salt = raw.substr(0, salt);
    d.verifier = raw.substr(salt, 2);
    d.encrypted = raw.substr(salt + 2, raw.size() - salt - 2 - 10);
    d.code = raw.substr(raw.size() - 10);
    const auto algorithm = static_cast<TZFCryptoAlgorithm>(strength);
    d.keys = DeriveAesKeys(password, platform::Bytes(d.salt), AesKeySize(algorithm));
    return d;
}

std::string Pattern(std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return text;
}

bool Authenticated(AesMemberCipher& cipher, const std::string& trailer) {
    platform::MemoryStream stream;
    stream.Write(trailer.data(), trailer.size());
    stream.SetPosition(0);
    return cipher.DataAuthenticated(stream);
}

TEST(AesMemberCipher, PiecesOfAnySizeDecryptLikeBlockByBlock) {
    for (std::uint8_t strength : {1, 2, 3}) {
        for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{33},
                                   std::size_t{4096 * 16 + 9}, std::size_t{3 * 4096 * 16 + 1}}) {
            const std::string plain = Pattern(length);
            const EncryptedData d = Encrypt(plain, strength, "pieces");
            ASSERT_EQ(std::string(d.keys.verifier.begin(), d.keys.verifier.end()), d.verifier);
            for (std::size_t piece : {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17},
                                      std::size_t{4096 * 16 - 1}, std::size_t{1} << 20}) {
                SCOPED_TRACE("strength " + std::to_string(strength) + ", " + std::to_string(length) +
                             " bytes in pieces of " + std::to_string(piece));
                AesMemberCipher cipher(d.keys, false);
                std::string data = d.encrypted;
                for (std::size_t at = 0; at < data.size(); at += piece) {
                    const std::size_t n = std::min(piece, data.size() - at);
                    cipher.Decrypt({reinterpret_cast<std::uint8_t*>(data.data() + at), n});
                }
                EXPECT_TRUE(data == plain);
                EXPECT_TRUE(Authenticated(cipher, d.code));
            }
        }
    }
}

TEST(AesMemberCipher, AuthenticationCodeThatDiffersOrIsCutIsRefused) {
    const EncryptedData d = Encrypt(Pattern(100), 3, "code");
    const auto decryptAll = [&d] {
        auto cipher = std::make_unique<AesMemberCipher>(d.keys, true);
        std::string data = d.encrypted;
        cipher->Decrypt({reinterpret_cast<std::uint8_t*>(data.data()), data.size()});
        return cipher;
    };
    std::string changed = d.code;
    changed[9] ^= 0x40;
    EXPECT_FALSE(Authenticated(*decryptAll(), changed));
    EXPECT_FALSE(Authenticated(*decryptAll(), d.code.substr(0, 9)));
    EXPECT_TRUE(Authenticated(*decryptAll(), d.code + "more"));
    EXPECT_TRUE(decryptAll()->TestsCrc());
}

TEST(AesVendorVersion, TheLastCompleteBlockDecides) {
    TZFDirArray dir;
    dir.SetCount(1);
    EXPECT_EQ(AesVendorVersion(dir.ItemRef(0)), 0);
    // Each step gives the item a longer extra field.
    std::string field;
    const auto keep = [&dir, &field] {
        dir.KeepTexts(0, {reinterpret_cast<const std::uint8_t*>(field.data()), field.size()}, {});
    };
    field = testing_support::AesExtraBlock(3, 1, 8);
    keep();
    EXPECT_EQ(AesVendorVersion(dir.ItemRef(0)), 1);
    field += testing_support::AesExtraBlock(3, 2, 8);
    keep();
    EXPECT_EQ(AesVendorVersion(dir.ItemRef(0)), 2);
    field += std::string("\x01\x99\x02\x00\x01\x00", 6);  // an AES block too short to count
    keep();
    EXPECT_EQ(AesVendorVersion(dir.ItemRef(0)), 2);
}

}  // namespace
