// Member names of archives that real writers made when the tests started
// (make_writer_archives.sh): UTF-8 with and without bit 11, code page 437,
// on the central road and on the rebuild road, found by the name index and
// extracted to the member that holds the name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/strings.h"
#include "tests/archive/archive_test_support.h"

using namespace archive;
using namespace archive_tests;

namespace {

std::u16string FixtureFolder() {
    std::u16string folder = platform::Utf8ToWide(VANTREL_WRITER_ARCHIVES);
    for (char16_t& c : folder) c = c == u'/' ? u'\\' : c;
    return folder + u"\\";
}

std::string ReadFixture(const std::u16string& name) {
    platform::FileStream file(FixtureFolder() + name, platform::kFmOpenRead | platform::kFmShareDenyNone);
    std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

const std::vector<std::u16string> kEveryName = {u"plain.txt",  u"\u00DCber.txt", u"\u00E9\u2500.txt",
                                                u"\u03A3.txt", u"\u03C4.txt",    u"\u4E16\u754C.txt"};
// Code page 437 has no CJK letters.
const std::vector<std::u16string> kCp437Names = {u"plain.txt", u"\u00DCber.txt", u"\u00E9\u2500.txt", u"\u03A3.txt",
                                                 u"\u03C4.txt"};

struct WriterArchive {
    const char* name;
    const char16_t* file;
    const std::vector<std::u16string>* names;
};

const WriterArchive kArchives[] = {
    {"Info-ZIP zip, UTF-8 without the flag", u"infozip.zip", &kEveryName},
    {"bsdtar, UTF-8 with the flag", u"bsdtar-utf8.zip", &kEveryName},
    {"bsdtar, code page 437", u"bsdtar-cp437.zip", &kCp437Names},
    {"7-Zip, UTF-8 with the flag", u"7z.zip", &kEveryName},
    {"Python zipfile, locator-like comment bytes", u"python.zip", &kEveryName},
};

std::vector<std::u16string> SortedNames(TZFDirArray& dir) {
    std::vector<std::u16string> names;
    for (std::int32_t i = 0; i < dir.Count(); ++i) names.emplace_back(dir.ItemRef(i).Name());
    std::sort(names.begin(), names.end());
    return names;
}

// Every name is listed, found by the name index and extracted to the member
// written under it (each member holds its own name).
void ExpectNamesReachTheirMembers(MemoryArchive& m, const std::vector<std::u16string>& expected) {
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    std::vector<std::u16string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(SortedNames(m.Dir()), sorted);
    for (const std::u16string& name : expected) {
        SCOPED_TRACE(platform::WideToUtf8(name));
        std::int32_t itemNo = -1;
        EXPECT_TRUE(m.Dir().FileExists(name, itemNo));
        platform::MemoryStream out;
        m.arc.ExtractToStream(name, out);
        const auto data = out.Data();
        EXPECT_EQ(std::string(data.begin(), data.end()), platform::WideToUtf8(name));
    }
}

// The end record's entry counts set to 0xFFFF without zip64 records: the
// directory is rebuilt from the local headers, with the end record seen.
std::string WithMarkedEntryCount(std::string bytes) {
    const std::size_t end = bytes.rfind("PK\x05\x06");
    for (std::size_t field : {end + 8, end + 10}) bytes[field] = bytes[field + 1] = '\xFF';
    return bytes;
}

// The file cut in front of its central directory: no end record at all.
std::string WithoutCentralDirectory(std::string bytes) { return bytes.substr(0, bytes.find("PK\x01\x02")); }

}  // namespace

TEST(WriterArchiveNames, CentralRoad) {
    for (const WriterArchive& archive : kArchives) {
        SCOPED_TRACE(archive.name);
        MemoryArchive m(ReadFixture(archive.file));
        ExpectNamesReachTheirMembers(m, *archive.names);
        EXPECT_FALSE(m.arc.DMHandle->FZip64);
    }
}

// The rebuild decodes a name as the central road does; only without an end
// record does it take names that are not UTF-8 as ANSI rather than OEM.
TEST(WriterArchiveNames, RebuildRoad) {
    for (const WriterArchive& archive : kArchives) {
        SCOPED_TRACE(archive.name);
        const bool locatorLike = archive.file == std::u16string_view(u"python.zip");
        MemoryArchive marked(WithMarkedEntryCount(ReadFixture(archive.file)));
        if (locatorLike) {
            EXPECT_EQ(marked.outcome.nativeError, 40) << "an end record that needs zip64 follows the locator";
        } else {
            ExpectNamesReachTheirMembers(marked, *archive.names);
            EXPECT_EQ(marked.arc.DMHandle->CentralDirOffset, marked.stream->Size()) << "rebuilt";
        }
        if (archive.names == &kCp437Names) continue;
        MemoryArchive cut(WithoutCentralDirectory(ReadFixture(archive.file)));
        ExpectNamesReachTheirMembers(cut, *archive.names);
    }
}

// Folding is ASCII only, also for names that arrive as UTF-8 or OEM: "Ü" and
// "ü" stay different letters, "BER.TXT" folds.
TEST(WriterArchiveNames, IndexFoldsAsciiOnly) {
    for (const char16_t* file : {u"infozip.zip", u"bsdtar-cp437.zip"}) {
        MemoryArchive m(ReadFixture(file));
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        std::int32_t itemNo = -1;
        EXPECT_TRUE(m.Dir().FileExists(u"\u00DCBER.TXT", itemNo));
        EXPECT_FALSE(m.Dir().FileExists(u"\u00FCber.txt", itemNo));
        EXPECT_TRUE(m.Dir().FileExists(u"\u03A3.TXT", itemNo));
        EXPECT_FALSE(m.Dir().FileExists(u"\u03C3.txt", itemNo)) << "small sigma is another name";
    }
}
