// Extraction from real-world archives written by other tools (the shared test
// corpus): members with known content, traditional encryption made by other
// programs, and a sweep over every member of every archive that must end in
// bytes or in an error of the archiver's or the stream layer's own kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "archive/archiver.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/strings.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/temp_dir.h"

using namespace archive;
using namespace extraction_tests;

namespace {

std::u16string CorpusFolder() {
    std::u16string folder = platform::Utf8ToWide(VANTREL_CORPUS_DIR);
    for (char16_t& c : folder) c = c == u'/' ? u'\\' : c;
    return folder + u"\\";
}

class CorpusExtraction : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform::DirectoryExists(CorpusFolder() + u"libzip")) GTEST_SKIP() << "no corpus";
    }
};

// The bytes of a corpus file. Other test programs may hold it open without
// sharing for a moment (the program's own open mode), so a refused open is retried.
std::string ReadCorpusFile(const std::u16string& path) {
    for (int attempt = 0;; ++attempt) {
        try {
            platform::FileStream file(path, platform::kFmOpenRead | platform::kFmShareDenyNone);
            std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
            file.ReadBuffer(bytes.data(), bytes.size());
            return bytes;
        } catch (const platform::EFOpenError&) {
            if (attempt == 100) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

// A private copy of a corpus archive, opened as the program opens packages; the
// corpus file itself is never held open while members are extracted.
struct CorpusArchive {
    testing_support::TempDir folder;
    TZFArchiver arc;
};

// Nothing when the archive does not open.
std::unique_ptr<CorpusArchive> OpenCorpusArchive(const std::u16string& relative) {
    auto copy = std::make_unique<CorpusArchive>();
    copy->arc.SetFileName(copy->folder.Write(u"copy.zip", ReadCorpusFile(CorpusFolder() + relative)));
    try {
        copy->arc.OpenArchive(0);
    } catch (const std::exception&) {
        return nullptr;
    }
    return copy;
}

struct KnownRow {
    const char* file;
    std::u16string member;
    const char* password;  // nullptr: none set, the wrong-password road is not taken
    std::string content;   // expected bytes (checked when nativeError is 0)
    std::int32_t nativeError;
};

TEST_F(CorpusExtraction, KnownContents) {
    const KnownRow rows[] = {
        {"libzip\\encrypt.zip", u"encrypted", "foo", "foo\n", 0},
        {"libzip\\encrypt.zip", u"plain", nullptr, "foo\n", 0},
        {"libzip\\empty-pkware.zip", u"0", "1", "", 0},
        {"cpython\\inline\\DecryptionTests.zip", u"test.txt", "python", "zipfile.py encryption test", 0},
        {"cpython\\inline\\DecryptionTests-2.zip", u"zero", "12345", std::string(512, '\0'), 0},
        {"cpython\\inline\\StoredBadCrcTests.zip", u"afile", nullptr, "", 8},
        {"go\\inline\\returnCorruptNotStreamedZip.zip", u"foo.txt", nullptr, "", 8},
        // AES (AE-2) members of every strength; the password of the "noentropy" ones is
        // the argument their maker was run with. hmac-error.zip has damaged data
        // that only the authentication code reveals.
        {"libzip\\encrypt-aes128.zip", u"encrypted", "foofoofoo", "encrypted\n", 0},
        {"libzip\\encrypt-aes192.zip", u"encrypted", "foofoofoo", "encrypted\n", 0},
        {"libzip\\encrypt-aes256.zip", u"encrypted", "foofoofoo", "encrypted\n", 0},
        {"libzip\\encrypt-aes128-noentropy.zip", u"encrypted", "no-entropy", "encrypted\n", 0},
        {"libzip\\encrypt-aes192-noentropy.zip", u"encrypted", "no-entropy", "encrypted\n", 0},
        {"libzip\\encrypt-aes256-noentropy.zip", u"encrypted", "no-entropy", "encrypted\n", 0},
        {"libzip\\encrypt-aes256.zip", u"encrypted", "notfoonotfoo", "", 8},
        {"libzip\\hmac-error.zip", u"test.txt", "1234", "", 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + platform::WideToUtf8(row.member));
        const auto archive = OpenCorpusArchive(platform::Utf8ToWide(row.file));
        ASSERT_TRUE(archive);
        TZFArchiver& arc = archive->arc;
        if (row.password) arc.FPassword = row.password;
        arc.FSuppressPasswordEvent = true;
        const Extraction result = Extract(arc, row.member);
        EXPECT_EQ(result.nativeError, row.nativeError) << result.message;
        if (row.nativeError == 0) {
            EXPECT_TRUE(result.bytes == row.content);
        }
    }
}

TEST_F(CorpusExtraction, WrongPasswordIsRefusedByTheHeader) {
    const auto archive = OpenCorpusArchive(u"libzip\\encrypt-1234.zip");
    ASSERT_TRUE(archive);
    std::vector<std::string> offered = {"notfoo", "1234"};
    std::size_t asked = 0;
    archive->arc.OnPassword = [&](TZFBaseArchiver&, const std::u16string& name, std::string& password, bool& skip) {
        EXPECT_EQ(name, u"sample.txt");
        if (asked < offered.size())
            password = offered[asked];
        else
            skip = true;
        ++asked;
    };
    const Extraction result = Extract(archive->arc, u"sample.txt");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(asked, 2u);
    EXPECT_EQ(result.bytes.size(), 282u);
    EXPECT_EQ(result.bytes.rfind("I would love to try or hear the sample audio", 0), 0u);
}

// A wrong password for an AES member is refused by its verifier and asked again.
TEST_F(CorpusExtraction, WrongAesPasswordIsRefusedByTheVerifier) {
    for (const char16_t* file :
         {u"libzip\\encrypt-aes128.zip", u"libzip\\encrypt-aes192.zip", u"libzip\\encrypt-aes256.zip"}) {
        SCOPED_TRACE(platform::WideToUtf8(file));
        const auto archive = OpenCorpusArchive(file);
        ASSERT_TRUE(archive);
        std::vector<std::string> offered;
        archive->arc.OnPassword = [&](TZFBaseArchiver&, const std::u16string&, std::string& password, bool&) {
            offered.push_back(password);
            password = offered.size() == 1 ? "notfoonotfoo" : "foofoofoo";
        };
        const Extraction result = Extract(archive->arc, u"encrypted");
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.bytes, "encrypted\n");
        EXPECT_EQ(offered, (std::vector<std::string>{"", "notfoonotfoo"}));
    }
}

// 2^32-1 zeros stated with an all-ones size and no zip64 block: the size is
// the 32-bit value it says (the sweep below extracts the member; a caller that
// keeps members in memory limits them by that size, as the show-details
// command does).
TEST_F(CorpusExtraction, AllOnesSizeWithoutZip64IsTheSize) {
    const auto archive = OpenCorpusArchive(u"go\\inline\\returnBigZipBytes-big.zip");
    ASSERT_TRUE(archive);
    std::int32_t itemNo = -1;
    ASSERT_TRUE(archive->arc.DMHandle->CDir.FileExists(u"big.file", itemNo));
    EXPECT_EQ(archive->arc.DMHandle->CDir.ItemRef(itemNo).UncompressedSize(), 0xFFFFFFFF);
}

// Every member of every archive: bytes or an error of a known kind, and never
// more bytes than the member states (or, stored, than its data hold).
TEST_F(CorpusExtraction, EveryMemberEndsCleanly) {
    int members = 0;
    int delivered = 0;
    for (const char16_t* folder : {u"go", u"go\\inline", u"libzip", u"cpython", u"cpython\\inline"}) {
        for (const auto& entry : platform::FindEntries(CorpusFolder() + folder + u"\\*")) {
            if (entry.attributes & platform::kFileAttributeDirectory) continue;
            const std::u16string file = std::u16string(folder) + u"\\" + entry.name;
            const auto archive = OpenCorpusArchive(file);
            if (!archive) continue;
            TZFArchiver& arc = archive->arc;
            arc.OnPassword = [](TZFBaseArchiver&, const std::u16string&, std::string&, bool& skip) { skip = true; };
            const TZFDirArray& dir = arc.DMHandle->CDir;
            for (std::int32_t i = 0; i < dir.Count() && i < 300; ++i) {
                SCOPED_TRACE(platform::WideToUtf8(file) + " #" + std::to_string(i));
                const TDirItemCopy item = dir.Item(i);
                archive_tests::CountingStream out;
                try {
                    arc.ExtractItem(i, out);
                    ++delivered;
                } catch (const EZFException&) {
                } catch (const platform::EReadError&) {}
                ++members;
                EXPECT_LE(out.Size(), std::max({item->UncompressedSize(), item->CompressedSize(), std::int64_t{0}}));
            }
        }
    }
    EXPECT_GT(members, 300);
    EXPECT_GT(delivered, members / 2);
}

}  // namespace
