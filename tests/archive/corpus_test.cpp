// Real-world archives written by other tools (the shared test corpus): every
// one opens or fails with an error of its own kind, never a crash, in both
// settings; for some the outcome is known.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/strings.h"
#include "tests/archive/archive_test_support.h"

using namespace archive;
using namespace archive_tests;

namespace {

std::u16string CorpusDir() {
    std::u16string dir = platform::Utf8ToWide(VANTREL_CORPUS_DIR);
    for (char16_t& c : dir) c = c == u'/' ? u'\\' : c;
    return dir + u"\\";
}

struct Opened {
    std::unique_ptr<TZFArchiver> arc = std::make_unique<TZFArchiver>();
    OpenOutcome outcome;
};

Opened OpenCorpusFile(const std::u16string& relative, bool strict) {
    Opened o;
    o.arc->SetFileName(CorpusDir() + relative);
    o.arc->FOpenCorruptedArchives = !strict;
    o.outcome = TryOpen([&] { o.arc->OpenArchive(0); });
    return o;
}

}  // namespace

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform::DirectoryExists(CorpusDir() + u"go")) GTEST_SKIP() << "no corpus at " VANTREL_CORPUS_DIR;
    }
};

TEST_F(Corpus, EveryArchiveOpensOrFailsCleanly) {
    std::vector<std::u16string> files;
    for (const char16_t* folder : {u"go", u"go\\inline", u"libzip", u"cpython", u"cpython\\inline"}) {
        for (const auto& entry : platform::FindEntries(CorpusDir() + folder + u"\\*")) {
            if (entry.attributes & platform::kFileAttributeDirectory) continue;
            files.push_back(std::u16string(folder) + u"\\" + entry.name);
        }
    }
    ASSERT_GT(files.size(), 100u);
    int openedStrict = 0;
    for (const auto& file : files) {
        for (bool strict : {false, true}) {
            SCOPED_TRACE(platform::WideToUtf8(file) + (strict ? " strict" : ""));
            const Opened o = OpenCorpusFile(file, strict);
            EXPECT_TRUE(o.outcome.opened || o.outcome.nativeError != 0 || o.outcome.readError) << o.outcome.Describe();
            if (o.outcome.opened) {
                openedStrict += strict ? 1 : 0;
                const TZFDirManager& dm = *o.arc->DMHandle;
                EXPECT_LE(dm.CentralDirOffset, o.arc->Size());
                EXPECT_LE(dm.StubSize, o.arc->Size());
            }
        }
    }
    EXPECT_GT(openedStrict, 180) << "most real-world archives have a sound central directory";
}

TEST_F(Corpus, KnownOutcomes) {
    struct Row {
        const char* file;
        bool strict;
        std::int32_t items;  // -1: the open fails
        std::int32_t nativeError;
        std::int64_t stub;
        bool zip64;
    };
    const Row rows[] = {
        {"go\\test.zip", true, 2, 0, 0, false},
        {"go\\test-prefix.zip", true, 2, 0, 43, false},
        {"go\\zip64.zip", true, 1, 0, 0, true},
        {"go\\zip64-2.zip", true, 1, 0, 0, true},
        {"cpython\\exe_with_zip", true, 1, 0, 713, false},
        {"libzip\\zip64-3mf.zip", true, 1, 0, 0, true},
        {"libzip\\multidisk.zip", false, -1, 44, 0, false},
        {"libzip\\filename_duplicate_empty.zip", true, -1, 59, 0, false},
        {"libzip\\bogus.zip", true, -1, 48, 0, false},
        {"cpython\\exe_with_z64", false, -1, 40, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const Opened o = OpenCorpusFile(platform::Utf8ToWide(row.file), row.strict);
        if (row.items < 0) {
            EXPECT_EQ(o.outcome.nativeError, row.nativeError) << o.outcome.Describe();
            continue;
        }
        ASSERT_TRUE(o.outcome.opened) << o.outcome.Describe();
        EXPECT_EQ(o.arc->DMHandle->CDir.Count(), row.items);
        EXPECT_EQ(o.arc->DMHandle->StubSize, row.stub);
        EXPECT_EQ(o.arc->DMHandle->FZip64, row.zip64);
    }
}

TEST_F(Corpus, PrefixedArchiveOffsetsPointAtTheLocalHeaders) {
    const Opened o = OpenCorpusFile(u"go\\test-prefix.zip", true);
    ASSERT_TRUE(o.outcome.opened);
    EXPECT_EQ(o.arc->DMHandle->CDir.ItemRef(0).Name(), u"test.txt");
    EXPECT_EQ(o.arc->DMHandle->CDir.ItemRef(0).LocalHeaderOffset(), 43);
    EXPECT_EQ(o.arc->DMHandle->CDir.ItemRef(1).Name(), u"gophercolor16x16.png");
    EXPECT_EQ(o.arc->DMHandle->CDir.ItemRef(1).LocalHeaderOffset(), 134);
    EXPECT_EQ(o.arc->Comment(), "This is a zipfile comment.");
}

TEST_F(Corpus, Utf8NamesWithTheFlagDecode) {
    for (const char16_t* file : {u"go\\utf8-infozip.zip", u"go\\utf8-winzip.zip", u"go\\utf8-7zip.zip"}) {
        SCOPED_TRACE(platform::WideToUtf8(file));
        const Opened o = OpenCorpusFile(file, true);
        ASSERT_TRUE(o.outcome.opened) << o.outcome.Describe();
        EXPECT_EQ(o.arc->DMHandle->CDir.ItemRef(0).Name(), u"\x4E16\x754C");
    }
}

// The count claims about 2^64 entries: the directory is never sized to it.
TEST_F(Corpus, OverstatedZip64CountDoesNotAllocate) {
    const Opened strict = OpenCorpusFile(u"go\\inline\\TestCVE202133196.zip", true);
    EXPECT_TRUE(strict.outcome.readError) << strict.outcome.Describe();
    ASSERT_TRUE(strict.arc->DMHandle);
    EXPECT_LE(strict.arc->DMHandle->CDir.AllocItemCount(), 1000);
    strict.arc->CloseArchive();  // a failed open holds the file until then
    const Opened lenient = OpenCorpusFile(u"go\\inline\\TestCVE202133196.zip", false);
    EXPECT_TRUE(lenient.outcome.opened || lenient.outcome.nativeError == 35) << lenient.outcome.Describe();
}
