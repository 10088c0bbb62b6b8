// The console form's request log: long lines cut (saying so), and the log
// file bounded by moving it aside, the older lines replaced.

#include "service/request_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "service/port_file.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

using namespace catalogue;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

namespace {

TEST(CutForLog, KeepsShortLinesAndSaysWhereItCut) {
    struct Row {
        const char* name;
        std::string line;
        std::string logged;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"short", "GET / HTTP/1.1", "GET / HTTP/1.1"},
        {"exactly the length", std::string(20, 'a'), std::string(20, 'a')},
        {"one byte over", std::string(21, 'a'), std::string(20, 'a') + " ... (cut, 21 bytes in all)"},
        {"far over", "GET /" + std::string(5000, 'x'),
         "GET /" + std::string(15, 'x') + " ... (cut, 5005 bytes in all)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CutForLog(row.line, 20), row.logged);
    }
    EXPECT_EQ(CutForLog(std::string(100000, 'y')).size(),
              kMaxLoggedLineBytes + std::string(" ... (cut, 100000 bytes in all)").size());
}

std::filesystem::path PathOf(const TempDir& dir, const char16_t* name) {
    return Utf8Path(testing_support::PathArgument(dir.File(name)));
}

std::string Line(int number) {
    std::string text = "line " + std::to_string(number);
    text.resize(99, '.');
    return text + "\n";  // 100 bytes
}

TEST(RotatingLogFile, StaysWithinTwoFilesKeepingTheNewestLines) {
    TempDir dir;
    RotatingLogFile log(PathOf(dir, u"requests.log"), 1000);
    for (int i = 0; i < 95; ++i) ASSERT_TRUE(log.Write(Line(i)));
    const std::string newest = ReadFileBytes(dir.File(u"requests.log"));
    const std::string older = ReadFileBytes(dir.File(u"requests.log.1"));
    // Ten lines a file: 90-94 in the file, 80-89 moved aside, the rest gone.
    EXPECT_EQ(newest, Line(90) + Line(91) + Line(92) + Line(93) + Line(94));
    std::string expectedOlder;
    for (int i = 80; i < 90; ++i) expectedOlder += Line(i);
    EXPECT_EQ(older, expectedOlder);
}

TEST(RotatingLogFile, CountsWhatTheFileHeldBefore) {
    TempDir dir;
    dir.Write(u"requests.log", std::string(950, 'o'));
    RotatingLogFile log(PathOf(dir, u"requests.log"), 1000);
    ASSERT_TRUE(log.Write(Line(1)));
    EXPECT_EQ(ReadFileBytes(dir.File(u"requests.log")), Line(1));
    EXPECT_EQ(ReadFileBytes(dir.File(u"requests.log.1")), std::string(950, 'o'));
}

TEST(RotatingLogFile, AFolderThatIsNotThereIsAnError) {
    TempDir dir;
    EXPECT_THROW(RotatingLogFile(PathOf(dir, u"missing/requests.log")), std::runtime_error);
}

}  // namespace
