// The real plutil program, run the way the program runs it: over one file,
// whose path may hold characters outside ASCII.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bplist_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/child_process.h"

using namespace testing_support;

namespace {

constexpr int kTimeoutMs = 60000;  // the first start under Wine can take seconds

int RunPlutilProgram(const std::vector<std::string>& arguments) {
    ChildProcess plutil(VANTREL_PLUTIL_EXE, arguments);
    return plutil.WaitForExit(kTimeoutMs);
}

TEST(PlutilProgram, ConvertsTheNamedFileAndReportsSuccess) {
    const TempDir dir;
    const std::u16string path =
        dir.Write(u"Metadaten \u00e4\u20ac.plist", WriteBinaryPlist(PlistDict({{"itemId", PlistInt(7)}})));
    EXPECT_EQ(RunPlutilProgram({"-convert", "xml1", "-s", PathArgument(path)}), 0);
    const std::string xml = ReadFileBytes(path);
    EXPECT_NE(xml.find("\t<key>itemId</key>\n\t<integer>7</integer>\n"), std::string::npos) << xml;
}

TEST(PlutilProgram, FailsWithoutTouchingTheFile) {
    const TempDir dir;
    const std::string binary = WriteBinaryPlist(PlistDict({{"itemId", PlistInt(7)}}));
    struct Row {
        const char* name;
        std::string content;
        std::vector<std::string> options;
    };
    const Row rows[] = {
        {"other format", binary, {"-convert", "json"}},
        {"not a property list", "PK\x03\x04", {"-convert", "xml1", "-s"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::u16string path = dir.Write(u"metadata.plist", row.content);
        std::vector<std::string> arguments = row.options;
        arguments.push_back(PathArgument(path));
        const int exitCode = RunPlutilProgram(arguments);
        EXPECT_NE(exitCode, 0);
        EXPECT_NE(exitCode, -1);  // it ended
        EXPECT_EQ(ReadFileBytes(path), row.content);
    }
}

}  // namespace
