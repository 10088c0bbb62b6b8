// AES archives made by 7-Zip at build time (every strength, stored and
// deflated; 7-Zip writes AE-2): each member extracts to its plain file with
// the password, a wrong one is asked again, and a damaged or cut member fails.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "archive/archiver.h"
#include "platform/file_stream.h"
#include "platform/strings.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;

namespace {

std::u16string FixtureFolder() {
    std::u16string folder = platform::Utf8ToWide(VANTREL_7Z_FIXTURES);
    for (char16_t& c : folder) c = c == u'/' ? u'\\' : c;
    return folder + u"\\";
}

// Other test programs may hold a fixture open without sharing for a moment.
std::string ReadFixture(const std::u16string& relative) {
    for (int attempt = 0;; ++attempt) {
        try {
            platform::FileStream file(FixtureFolder() + relative, platform::kFmOpenRead | platform::kFmShareDenyNone);
            std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
            file.ReadBuffer(bytes.data(), bytes.size());
            return bytes;
        } catch (const platform::EFOpenError&) {
            if (attempt == 100) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

const char* const kArchives[] = {"aes128-Copy.zip",    "aes128-Deflate.zip", "aes192-Copy.zip",
                                 "aes192-Deflate.zip", "aes256-Copy.zip",    "aes256-Deflate.zip"};
const char* const kMembers[] = {"metadata.plist", "text.txt", "noise.bin", "empty.txt"};

std::string Password() { return ReadFixture(u"password.txt"); }

// Central header of `name` in a ZIP without archive comment (as 7-Zip writes them).
std::int64_t CentralHeaderOf(const testing_support::ZipLayout& z, const std::string& name) {
    using namespace testing_support::zipfield;
    const std::int64_t end = static_cast<std::int64_t>(z.bytes.size()) - 22;
    for (std::int64_t at = z.U32(end + kEndDirOffset); at < end;) {
        const std::size_t nameLength = z.U16(at + kCdNameLength);
        if (z.bytes.compare(static_cast<std::size_t>(at) + 46, nameLength, name) == 0 && nameLength == name.size()) {
            return at;
        }
        at += 46 + nameLength + z.U16(at + kCdExtraLength) + z.U16(at + kCdCommentLength);
    }
    return -1;
}

testing_support::ZipLayout LayoutOf(const char* archive) {
    testing_support::ZipLayout z;
    z.bytes = ReadFixture(platform::Utf8ToWide(archive));
    return z;
}

TEST(SevenZipAes, EveryMemberExtractsToItsPlainFile) {
    for (const char* file : kArchives) {
        OpenedArchive archive(LayoutOf(file).bytes);
        archive.arc.FPassword = Password();
        ScriptedPrompt prompt({});
        EXPECT_NE(archive.arc.DMHandle->CDir.ItemRef(0).ZFEncryptionAlgorithm, caPkzipClassic) << file;
        for (const char* member : kMembers) {
            SCOPED_TRACE(std::string(file) + " " + member);
            const Extraction result = Extract(archive.arc, platform::Utf8ToWide(member));
            EXPECT_TRUE(result.ok) << result.message;
            EXPECT_TRUE(result.bytes == ReadFixture(u"plain\\" + platform::Utf8ToWide(member)));
        }
        EXPECT_TRUE(prompt.asked.empty());
    }
}

TEST(SevenZipAes, WrongPasswordIsAskedAgain) {
    for (const char* file : {"aes128-Deflate.zip", "aes256-Copy.zip"}) {
        SCOPED_TRACE(file);
        OpenedArchive archive(LayoutOf(file).bytes);
        archive.arc.FPassword = "not the password";
        ScriptedPrompt prompt({u"still not", platform::Utf8ToWide(Password())});
        const Extraction result = Extract(archive.arc, u"metadata.plist");
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_TRUE(result.bytes == ReadFixture(u"plain\\metadata.plist"));
        EXPECT_EQ(prompt.asked.size(), 2u);
    }
}

// The last byte of the authentication code changed, or the central size cut by
// 20 bytes: native code 8, never more than the member's bytes in the stream.
TEST(SevenZipAes, DamagedCodeOrCutMemberFails) {
    using namespace testing_support::zipfield;
    for (const char* file : kArchives) {
        for (const bool cut : {false, true}) {
            SCOPED_TRACE(std::string(file) + (cut ? " cut" : " damaged code"));
            testing_support::ZipLayout z = LayoutOf(file);
            const std::int64_t central = CentralHeaderOf(z, "text.txt");
            ASSERT_GE(central, 0);
            const std::uint32_t compSize = z.U32(central + kCdCompSize);
            if (cut) {
                z.SetU32(central + kCdCompSize, compSize - 20);
            } else {
                const std::int64_t local = z.U32(central + kCdLocalOffset);
                const std::int64_t data = local + 30 + z.U16(local + kLhNameLength) + z.U16(local + kLhExtraLength);
                z.bytes[static_cast<std::size_t>(data + compSize - 1)] ^= 0x20;
            }
            OpenedArchive archive(z.bytes);
            archive.arc.FPassword = Password();
            const Extraction result = Extract(archive.arc, u"text.txt");
            EXPECT_EQ(result.nativeError, 8) << result.message;
            const std::string plain = ReadFixture(u"plain\\text.txt");
            if (!cut) {
                EXPECT_TRUE(result.bytes == plain);
            }
            EXPECT_LE(result.bytes.size(), plain.size());
        }
    }
}

}  // namespace
