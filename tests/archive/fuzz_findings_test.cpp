// Archives the fuzzers found faults with, each a good archive plus the one
// change that mattered, read the way the archive harness reads every input:
// opened from a file (strictly) and from memory (with the recovery road), every
// item walked and extracted. The sanitizer build turns a relapse into a failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "platform/exception.h"
#include "platform/stream.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_writer.h"

using namespace archive_tests;
using testing_support::ZipWriter;

namespace {

struct Finding {
    const char* name;
    std::function<std::string()> bytes;
    int items;  // the directory the archiver must load
};

// Walks the items with the search and extracts each; returns how many were found.
int WalkAndExtract(archive::TZFBaseArchiver& arc) {
    int found = 0;
    archive::TZFArchiveItem item;
    for (bool hit = arc.FindFirst(u"*", item, 0xFFFF, u""); hit; hit = arc.FindNext(item)) {
        ++found;
        platform::MemoryStream sink;
        // Only the archiver's and the streams' own errors may end an extraction,
        // as the harness allows; anything else escapes and fails the test.
        try {
            arc.ExtractToStream(item.StoredPath + item.FileName, sink);
        } catch (const platform::Exception&) {
        }
    }
    return found;
}

// One zip64 member whose local header offset in the zip64 block is `offset`.
std::string Zip64OffsetArchive(std::uint64_t offset) {
    testing_support::ZipMember member{.name = "big.bin", .data = "some member data"};
    member.zip64 = true;
    testing_support::ZipLayout layout = ZipWriter().Add(member).Build();
    // The block follows the name: id, size, then uncompressed size, compressed size, offset.
    const std::int64_t block = layout.centralHeaders[0] + 46 + static_cast<std::int64_t>(member.name.size());
    layout.SetU64(block + 4 + 16, offset);
    return layout.bytes;
}

const std::vector<Finding> kFindings = {
    // The stub test read the first local header's empty name into an empty vector.
    {"empty-name-only-item", [] { return ZipWriter().AddStored("", "").Build().bytes; }, 1},
    // A zip64 offset of 2^63 or more read as a negative position: the memory
    // stream's seek threw a standard error past the archiver's own.
    {"zip64-offset-past-int64", [] { return Zip64OffsetArchive(0x8000000000000000ull); }, 1},
    {"zip64-offset-all-ones", [] { return Zip64OffsetArchive(~0ull); }, 1},
};

}  // namespace

TEST(FuzzFindings, OpenWalkAndExtractFromMemoryAndFile) {
    for (const Finding& finding : kFindings) {
        SCOPED_TRACE(finding.name);
        const std::string bytes = finding.bytes();
        MemoryArchive fromMemory(bytes);
        ASSERT_TRUE(fromMemory.outcome.opened) << fromMemory.outcome.Describe();
        EXPECT_EQ(WalkAndExtract(fromMemory.arc), finding.items);

        extraction_tests::OpenedArchive fromFile(bytes);
        EXPECT_EQ(WalkAndExtract(fromFile.arc), finding.items);
    }
}
