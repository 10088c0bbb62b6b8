#include "archive/pkware_crypt.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using namespace archive;

namespace {

// Decrypting the bytes 00..0F with the password "secret", as another implementation
// of APPNOTE 6.1 computes it.
TEST(PkwareCipher, DecryptsTheReferenceVector) {
    std::vector<std::uint8_t> data(16);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    PkwareCipher cipher("secret");
    cipher.Decrypt(data);
    const std::vector<std::uint8_t> expected = {0xc8, 0x4e, 0xd9, 0xbd, 0xad, 0x8b, 0x91, 0xda,
                                                0xa8, 0x48, 0x36, 0x35, 0x43, 0xfb, 0x33, 0x93};
    EXPECT_EQ(data, expected);
}

TEST(PkwareCipher, DecryptionInPiecesUndoesEncryption) {
    std::vector<std::uint8_t> plain(1000);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto data = plain;
    PkwareCipher encryptor("pa\xDFwort");
    encryptor.Encrypt(data);
    EXPECT_NE(data, plain);
    PkwareCipher decryptor("pa\xDFwort");
    decryptor.Decrypt(std::span(data).first(1));
    decryptor.Decrypt(std::span(data).subspan(1, 500));
    decryptor.Decrypt(std::span(data).subspan(501));
    EXPECT_EQ(data, plain);
}

// Encrypts a header whose last byte is `check`; the cipher goes on with the member data.
std::array<std::uint8_t, kPkwareHeaderSize> EncryptedHeader(PkwareCipher& cipher, std::uint8_t check) {
    std::array<std::uint8_t, kPkwareHeaderSize> header{};
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = static_cast<std::uint8_t>(0x31 * i);
    header.back() = check;
    cipher.Encrypt(header);
    return header;
}

TEST(PkwareHeader, CheckByteComesFromCrcOrFromTimeWithDescriptor) {
    EXPECT_EQ(PkwareCheckByte(0x0000, 0xA1B2C3D4u, 0x5566), 0xA1);
    EXPECT_EQ(PkwareCheckByte(0x0008, 0xA1B2C3D4u, 0x5566), 0x55);
    EXPECT_EQ(PkwareCheckByte(0x0809, 0xA1B2C3D4u, 0x5566), 0x55);
}

TEST(PkwareHeader, RightPasswordPassesAndLeavesTheCipherReady) {
    PkwareCipher writer("right");
    const auto header = EncryptedHeader(writer, 0xA1);
    const std::array<std::uint8_t, 4> payload = {1, 2, 3, 4};
    auto encrypted = payload;
    writer.Encrypt(encrypted);

    PkwareCipher reader("");
    ASSERT_TRUE(PkwareHeaderMatches("right", header, 0xA1, &reader));
    reader.Decrypt(encrypted);
    EXPECT_EQ(encrypted, payload);
}

TEST(PkwareHeader, WrongPasswordsAreRejected) {
    PkwareCipher writer("right");
    const auto header = EncryptedHeader(writer, 0xA1);
    PkwareCipher untouched("keep");
    for (const char* wrong : {"wrong", "Right", "righ", "right "}) {
        SCOPED_TRACE(wrong);
        EXPECT_FALSE(PkwareHeaderMatches(wrong, header, 0xA1, &untouched));
    }
    EXPECT_FALSE(PkwareHeaderMatches("right", header, 0xA2));
}

}  // namespace
