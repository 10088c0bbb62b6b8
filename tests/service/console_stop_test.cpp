// The console form's end: SIGTERM and SIGINT (Ctrl+C) on POSIX, Ctrl+Break
// and Ctrl+C at its console on Windows, make the orderly stop, so the lines
// queued for standard output and the log are written and the exit code says
// all went well; on POSIX an output that nobody reads any more
// (`vantrel-catalogue | head -1`) does not end the service.

#ifndef _WIN32
#include <signal.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "testkit/http_client/http_client.h"

using namespace testing_support;

namespace {

constexpr int kGenerousWaitMs = 20000;

std::uint16_t WaitForNumberIn(const TempDir& dir, const char16_t* name) {
    for (int waited = 0; waited < kGenerousWaitMs; waited += 20) {
        const std::u16string file = dir.File(name);
        const std::string text = platform::FileExists(file) ? ReadFileBytes(file) : std::string();
        if (text.size() > 1 && text.back() == '\n') return static_cast<std::uint16_t>(std::stoi(text));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

// Lines end in "\n", or "\r\n" on a Windows standard output in text mode.
std::size_t CountLines(std::string text, const std::string& line) {
    std::erase(text, '\r');
    std::size_t count = 0;
    for (std::size_t at = text.find(line + "\n"); at != std::string::npos; at = text.find(line + "\n", at + 1)) {
        ++count;
    }
    return count;
}

struct StopCase {
    const char* name;
    bool interrupt;
};

class ConsoleStopBySignal : public testing::TestWithParam<StopCase> {};

// Requests in quick succession, then the signal at once: every line reaches
// the log and standard output before the process ends, with exit code 0.
TEST_P(ConsoleStopBySignal, WritesEveryQueuedLineAndEndsWell) {
    TempDir dir;
    ChildProcess service(VANTREL_CATALOGUE_EXE,
                         {"--port", "0", "--port-file", PathArgument(dir.File(u"port.txt")), "--log",
                          PathArgument(dir.File(u"requests.log"))},
                         dir.File(u"stdout.txt"));
    const std::uint16_t port = WaitForNumberIn(dir, u"port.txt");
    ASSERT_NE(port, 0);
    constexpr int kRequests = 300;
    for (int i = 0; i < kRequests; ++i) ASSERT_EQ(httpd::Get(port, "/input/submit.php?dataset=7")->status, 200);
    service.AskToStop(GetParam().interrupt);
    EXPECT_EQ(service.WaitForExit(kGenerousWaitMs), 0);
    const std::string line = "GET /input/submit.php?dataset=7 HTTP/1.1";
    EXPECT_EQ(CountLines(ReadFileBytes(dir.File(u"requests.log")), line), std::size_t{kRequests});
    EXPECT_EQ(CountLines(ReadFileBytes(dir.File(u"stdout.txt")), line), std::size_t{kRequests});
}

// Wine sends no Ctrl+Break to a whole console: there Ctrl+C alone.
#ifdef _WIN32
const auto kStopCases = testing::Values(StopCase{"Interrupt", true});
#else
const auto kStopCases = testing::Values(StopCase{"Terminate", false}, StopCase{"Interrupt", true});
#endif
INSTANTIATE_TEST_SUITE_P(EachSignal, ConsoleStopBySignal, kStopCases,
                         [](const testing::TestParamInfo<StopCase>& stop) { return stop.param.name; });

#ifndef _WIN32
// Its standard output into `head -n 1`, which ends after the first line: the
// service's later writes meet a closed pipe and it goes on answering.
TEST(ConsoleOutput, AClosedPipeDoesNotEndTheService) {
    TempDir dir;
    const std::string script = "(\"$0\" --port 0 --port-file \"$1\" & echo $! >\"$2\"; wait) | head -n 1 >/dev/null";
    ChildProcess shell("/bin/sh", {"-c", script, VANTREL_CATALOGUE_EXE, PathArgument(dir.File(u"port.txt")),
                                   PathArgument(dir.File(u"pid.txt"))});
    const std::uint16_t port = WaitForNumberIn(dir, u"port.txt");
    ASSERT_NE(port, 0);
    const pid_t pid = WaitForNumberIn(dir, u"pid.txt");
    ASSERT_GT(pid, 0);
    // The first line ends `head`; the next ones find the pipe closed.
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        const auto reply = httpd::Get(port, "/input/submit.php?dataset=8");
        ASSERT_TRUE(reply) << "the service has ended";
        EXPECT_EQ(reply->status, 200);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGTERM);
    EXPECT_EQ(shell.WaitForExit(kGenerousWaitMs), 0) << "the service's stop ends the pipeline";
}

#endif

}  // namespace
