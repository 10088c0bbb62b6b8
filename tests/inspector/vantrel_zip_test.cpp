// The inspector's list and info commands, its options and exit statuses.
#include "inspector/tool.h"
#include "tests/inspector/tool_run.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/strings.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_writer.h"

using namespace testing_support;
namespace zf = testing_support::zipfield;

using inspector_tests::Tool;
using inspector_tests::ToolRun;

TEST(VantrelZip, ListsItemsInDirectoryOrder) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("iTunesMetadata.plist", "<plist/>");
    w.Add({.name = "Payload/\xC3\x84.app/", .flags = 0x0800, .externalAttr = 0x10});
    w.Add({.name = "big.bin", .data = std::string(1000, 'q'), .method = 8, .zip64 = true});
    w.Stub(std::string(100, 's'), false);
    const ZipLayout z = w.Build();
    const ToolRun run = Tool({u"list", dir.Write(u"a.ipa", z.bytes)});
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", Crc32("<plist/>"));
    EXPECT_EQ(rows[0], std::string("0\tiTunesMetadata.plist\t0\t8\t8\t") + crc + "\t00000020\t100");
    EXPECT_EQ(rows[1],
              "1\tPayload/\xC3\x84.app/\t0\t0\t0\t00000000\t00000010\t" + std::to_string(z.localHeaders[1] - 100))
        << "directory items keep their offset";
    std::snprintf(crc, sizeof crc, "%08x", Crc32(std::string(1000, 'q')));
    const std::string compSize = std::to_string(RawDeflate(std::string(1000, 'q')).size());
    EXPECT_EQ(rows[2],
              "2\tbig.bin\t8\t" + compSize + "\t1000\t" + crc + "\t00000020\t" + std::to_string(z.localHeaders[2]))
        << "zip64 values; the zip64 offset is raised by the stub too";
}

TEST(VantrelZip, InfoDescribesTheArchive) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("a", "1").AddStored("b", "22");
    w.Stub(std::string(40, 's'), true);
    w.Comment(std::string("\x00\xFFhi", 4));
    w.Zip64Records();
    const ZipLayout z = w.Build();
    const ToolRun run = Tool({u"info", dir.Write(u"a.zip", z.bytes)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "size=" + std::to_string(z.bytes.size()) + "\nitems=2\nstub=40\ncentraldir=" +
                           std::to_string(z.centralDirStart) + "\nzip64=1\ncomment=00ff6869\n");
    EXPECT_EQ(run.err, "");

    const ToolRun empty = Tool({u"info", dir.Write(u"e.zip", ZipWriter().Build().bytes)});
    EXPECT_EQ(empty.out, "size=22\nitems=0\nstub=0\ncentraldir=0\nzip64=0\ncomment=\n");
}

TEST(VantrelZip, ExitStatusesAndMessages) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("a", "1").AddStored("b", "2");
    ZipLayout overstated = w.Build();
    overstated.SetU16(overstated.endRecord + zf::kEndEntries, 40000);
    const auto overstatedPath = dir.Write(u"overstated.zip", overstated.bytes);
    const auto junkPath = dir.Write(u"junk.zip", "no archive");
    const auto missing = dir.File(u"missing.zip");
    struct Row {
        const char* name;
        std::vector<std::u16string> arguments;
        int status;
        std::string err;
    };
    const Row rows[] = {
        {"missing archive",
         {u"list", missing},
         1,
         "File \"" + platform::WideToUtf8(missing) + "\" not found - Native error: 00012\n"},
        {"recovery finds nothing", {u"info", junkPath}, 1, "Invalid archive file. - Native error: 00035\n"},
        {"strict: no end record",
         {u"--strict", u"list", junkPath},
         1,
         "Archive is damaged. Open failed - Native error: 00048\n"},
        {"strict: short read of the directory", {u"--strict", u"list", overstatedPath}, 2, "Stream-Lesefehler\n"},
        {"unknown command", {u"frobnicate", junkPath}, 2, ""},
        {"missing archive argument", {u"list"}, 2, ""},
        {"extra argument", {u"info", junkPath, junkPath}, 2, ""},
        {"no arguments", {}, 2, ""},
        {"strict only", {u"--strict"}, 2, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolRun run = Tool(row.arguments);
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out, "");
        if (!row.err.empty()) {
            EXPECT_EQ(run.err, row.err);
        } else {
            EXPECT_NE(run.err.find("usage:"), std::string::npos) << run.err;
        }
    }
}

TEST(VantrelZip, StrictTurnsRecoveryOffButDefaultsStayOtherwise) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("a", "1");
    ZipLayout z = w.Build();
    z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, 1000000);
    const auto path = dir.Write(u"sizes.zip", z.bytes);
    EXPECT_EQ(Tool({u"list", path}).status, 0) << "compressed sizes are not checked by default";
    const ToolRun strict = Tool({u"--strict", u"list", path});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err, "Archive is damaged. Open failed - Native error: 00057\n");
}
