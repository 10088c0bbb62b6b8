#include "platform/wait_loop.h"

#include <gtest/gtest.h>

#include <string>

using platform::PumpStep;

namespace {

// Scripted answers for the loop's hooks, and the log of the calls it made:
// W = wait, E = Escape read, S = Shift read, i/d/q = pump idle/dispatched/quit.
class ScriptedWait {
public:
    // ends: per wait '1' ended; escape, shift: per read '1' down; pump: per call 'd', 'q', else idle.
    ScriptedWait(std::string ends, std::string escape, std::string shift, std::string pump)
            : ends_(std::move(ends)), escape_(std::move(escape)), shift_(std::move(shift)), pump_(std::move(pump)) {}

    std::string Run() {
        platform::RunWaitLoop({
            .waitForEnd = [this] { return Next(ends_, waits_, 'W', '1'); },
            .escapeDown = [this] { return Next(escape_, escapes_, 'E', '0'); },
            .shiftDown = [this] { return Next(shift_, shifts_, 'S', '0'); },
            .pump = [this] { return Pump(); },
        });
        return log_;
    }

private:
    // A script that runs out answers `fallback` ('1' for the end: the loop must finish).
    bool Next(const std::string& script, std::size_t& index, char mark, char fallback) {
        log_ += mark;
        const char answer = index < script.size() ? script[index] : fallback;
        ++index;
        return answer == '1';
    }

    PumpStep Pump() {
        const char step = pumps_ < pump_.size() ? pump_[pumps_] : 'i';
        ++pumps_;
        log_ += step == 'd' ? 'd' : step == 'q' ? 'q' : 'i';
        if (step == 'd') return PumpStep::Dispatched;
        if (step == 'q') return PumpStep::Quit;
        return PumpStep::Idle;
    }

    std::string ends_, escape_, shift_, pump_;
    std::size_t waits_ = 0, escapes_ = 0, shifts_ = 0, pumps_ = 0;
    std::string log_;
};

}  // namespace

TEST(RunWaitLoop, CallSequence) {
    struct Row {
        const char* name;
        const char* ends;
        const char* escape;
        const char* shift;
        const char* pump;
        const char* expected;
    };
    const Row rows[] = {
        {"ended at the first wait: nothing pumped", "1", "", "", "dd", "W"},
        {"escape held at the start: one wait, nothing pumped", "0", "1", "", "d", "WE"},
        {"pending messages all dispatched between waits", "001", "", "", "dd", "WEddiSWEiSW"},
        {"escape later abandons the wait", "000", "001", "", "", "WEiSWEiSWE"},
        {"quit leaves at once, later messages stay", "0000", "", "", "dqd", "WEdq"},
        {"shift held keeps pumping without waiting", "01", "", "110", "", "WEiSiSiSW"},
        {"messages while shift is held", "01", "", "10", "did", "WEdiSdiSW"},
        {"quit while shift is held", "0", "", "1", "iq", "WEiSq"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ScriptedWait(row.ends, row.escape, row.shift, row.pump).Run(), row.expected);
    }
}
