// Archives the fuzzers found faults with, each a good archive plus the one
// change that mattered, read the way the archive harness reads every input:
// opened from a file (strictly) and from memory (with the recovery road), every
// item walked and extracted. The sanitizer build turns a relapse into a failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/archiver.h"
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
        TryOpen([&] { arc.ExtractToStream(item.StoredPath + item.FileName, sink); });
    }
    return found;
}

const std::vector<Finding> kFindings = {
    // The stub test read the first local header's empty name into an empty vector.
    {"empty-name-only-item", [] { return ZipWriter().AddStored("", "").Build().bytes; }, 1},
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
