// The line writer's thread: lines in order, a blocked output costing the
// poster nothing (lines dropped and counted), and Close, which joins the
// thread when the output lets it finish within its second.

#include "service/line_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

using namespace catalogue;

namespace {

// An output the test can hold shut; shared, so that a writer's thread left
// to itself finds it whole.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    std::string written;

    void Set(bool value) {
        std::lock_guard<std::mutex> lock(mutex);
        open = value;
        changed.notify_all();
    }
    std::string Written() {
        std::lock_guard<std::mutex> lock(mutex);
        return written;
    }
};

LineWriter::Output Into(const std::shared_ptr<Gate>& gate) {
    return [gate](std::string_view text) {
        std::unique_lock<std::mutex> lock(gate->mutex);
        gate->changed.wait(lock, [&] { return gate->open; });
        gate->written += text;
        return true;
    };
}

TEST(LineWriter, WritesEveryLineInOrderBeforeClosing) {
    auto gate = std::make_shared<Gate>();
    LineWriter writer(Into(gate), "test");
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        writer.Post("line " + std::to_string(i));
        expected += "line " + std::to_string(i) + "\n";
    }
    writer.Close();
    EXPECT_EQ(gate->Written(), expected);
    writer.Close();  // a second time does nothing
}

TEST(LineWriter, ABlockedOutputLosesLinesAndSaysHowMany) {
    auto gate = std::make_shared<Gate>();
    gate->Set(false);
    LineWriter writer(Into(gate), "test", 64);
    writer.Post("first");  // taken by the thread, which then waits on the output
    for (int i = 0; i < 100; ++i) writer.Post("0123456789");
    gate->Set(true);
    writer.Close();
    const std::string written = gate->Written();
    const std::size_t kept = [&] {
        std::size_t count = 0;
        for (std::size_t at = written.find("0123456789\n"); at != std::string::npos;
             at = written.find("0123456789\n", at + 1)) {
            ++count;
        }
        return count;
    }();
    EXPECT_LT(kept, 100u);
    // The writer may be blocked more than once (the thread can take a few lines
    // before it meets the closed output): every drop is announced, and together
    // the notes count every line that is missing.
    const std::string prefix = "test: ";
    const std::string suffix = " lines were dropped here: the output did not keep up\n";
    std::size_t announced = 0;
    std::size_t notes = 0;
    for (std::size_t at = written.find(prefix); at != std::string::npos; at = written.find(prefix, at + 1)) {
        const std::size_t end = written.find(suffix, at);
        ASSERT_NE(end, std::string::npos) << written;
        announced += std::stoul(written.substr(at + prefix.size(), end - at - prefix.size()));
        ++notes;
    }
    EXPECT_GE(notes, 1u) << written;
    EXPECT_EQ(announced, 100 - kept) << written;
}

TEST(LineWriter, CloseGivesUpOnAnOutputThatStaysBlocked) {
    auto gate = std::make_shared<Gate>();
    gate->Set(false);
    {
        LineWriter writer(Into(gate), "test");
        writer.Post("stuck");
        const auto start = std::chrono::steady_clock::now();
        writer.Close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    // The thread left to itself still writes once the output moves.
    gate->Set(true);
    for (int i = 0; i < 1000 && gate->Written().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(gate->Written(), "stuck\n");
}

}  // namespace
