#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "tests/support/helper_programs.h"
#include "tests/support/temp_dir.h"

using platform::FileExists;
using platform::PumpStep;
using platform::QuoteString;
using platform::RunAndWait;
using testing_support::QuickExitProgram;
using testing_support::ReadFileBytes;
using testing_support::SlowWriterProgram;
using testing_support::TempDir;

namespace {

constexpr int kHidden = 0;  // SW_HIDE

// The converter's call: quoted file, verb "OPEN", hidden, no folder.
bool RunHidden(std::u16string_view program, std::u16string_view parameters,
               const platform::MessagePump& pump = platform::PumpThreadMessage) {
    return RunAndWait(QuoteString(program), parameters, u"OPEN", kHidden, u"", pump);
}

// Parameters for the slow writer: wait, then write the middle arguments to `file`.
std::u16string SlowWriterParameters(int milliseconds, std::u16string_view middle, std::u16string_view file) {
    return u" " + platform::ToWide(milliseconds) + u" " + std::u16string(middle) + u" " + QuoteString(file);
}

// The slow writer held until `gate` exists: what the test sees before it opens
// the gate happened while the program ran, whatever the machine's speed.
std::u16string GatedWriterParameters(std::u16string_view gate, std::u16string_view middle, std::u16string_view file) {
    return u" " + QuoteString(u"@" + std::u16string(gate)) + u" " + std::u16string(middle) + u" " + QuoteString(file);
}

void OpenGate(const TempDir& dir) { dir.Write(u"gate", "open"); }

// A program left running must end before its folder is removed.
bool AppearsWithin(const std::u16string& path, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!FileExists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

TEST(RunAndWait, HelpersAreBuilt) {
    ASSERT_TRUE(FileExists(QuickExitProgram()));
    ASSERT_TRUE(FileExists(SlowWriterProgram()));
}

TEST(RunAndWait, ProgramThatEndsAtOnce) { EXPECT_TRUE(RunHidden(QuickExitProgram(), u"")); }

TEST(RunAndWait, ProgramThatCannotBeStarted) {
    TempDir dir;
    struct Row {
        const char* name;
        std::u16string program;
    };
    const Row rows[] = {
        {"missing program", dir.File(u"plutil.exe")},
        {"missing folder", dir.File(u"Common Files\\Apple\\plutil.exe")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(RunHidden(row.program, u" -convert xml1 -s \"x.plist\""));
    }
}

// The program has written its file when the wait returns; its arguments arrive
// split as a Windows program sees them, the quoted path with a blank in one piece.
TEST(RunAndWait, WaitsUntilTheProgramEnds) {
    TempDir dir;
    const std::u16string out = dir.MakeFolder(u"with space") + u"out.txt";
    ASSERT_TRUE(RunHidden(SlowWriterProgram(), SlowWriterParameters(300, u"-convert xml1 -s", out)));
    EXPECT_EQ(ReadFileBytes(out), "-convert\nxml1\n-s\n");
}

TEST(RunAndWait, StartsInTheGivenFolder) {
    TempDir dir;
    ASSERT_TRUE(RunAndWait(QuoteString(SlowWriterProgram()), u"0 \"quoted \\\"arg\\\"\" relative.txt", u"OPEN", kHidden,
                           dir.Path()));
    EXPECT_EQ(ReadFileBytes(dir.File(u"relative.txt")), "quoted \"arg\"\n");
}

TEST(RunAndWait, PumpRunsWhileTheProgramRuns) {
    TempDir dir;
    const std::u16string out = dir.File(u"out.txt");
    int pumped = 0;
    bool existedAtFirstPump = true;
    const auto pump = [&] {
        if (pumped++ == 0) {
            existedAtFirstPump = FileExists(out);
            OpenGate(dir);
        }
        return PumpStep::Idle;
    };
    ASSERT_TRUE(RunHidden(SlowWriterProgram(), GatedWriterParameters(dir.File(u"gate"), u"done", out), pump));
    EXPECT_GE(pumped, 1);
    EXPECT_FALSE(existedAtFirstPump);
    EXPECT_EQ(ReadFileBytes(out), "done\n");
}

// A quit request ends the wait at once; the program is not stopped.
TEST(RunAndWait, QuitFromThePumpLeavesTheWait) {
    TempDir dir;
    const std::u16string out = dir.File(u"out.txt");
    int pumped = 0;
    const auto pump = [&] {
        ++pumped;
        return PumpStep::Quit;
    };
    EXPECT_TRUE(RunHidden(SlowWriterProgram(), GatedWriterParameters(dir.File(u"gate"), u"late", out), pump));
    EXPECT_EQ(pumped, 1);
    EXPECT_FALSE(FileExists(out));
    OpenGate(dir);
    EXPECT_TRUE(AppearsWithin(out, std::chrono::seconds(60)));
}
