#include "app/command_progress.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class RecordingDisplay final : public app::ProgressDisplay {
public:
    void ShowProgress(std::uint64_t completed, std::uint64_t total) override {
        calls.push_back("show " + std::to_string(completed) + "/" + std::to_string(total));
    }
    void ClearProgress() override { calls.push_back("clear"); }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

// The show-details command over `rows` rows: the count once, every row in order,
// the button restored; at row `failAt` an error leaves it midway instead.
Calls CallsOfARun(int rows, int failAt = -1) {
    RecordingDisplay display;
    try {
        app::CommandProgress progress(&display);
        progress.Start(rows);
        for (int row = 0; row < rows; ++row) {
            if (row == failAt) throw std::runtime_error("the reply file cannot be created");
            progress.ReachRow(row);
        }
        progress.Finish();
    } catch (const std::runtime_error&) {}
    return display.calls;
}

TEST(CommandProgress, ValuesOverARunAndClearedOnEveryRoad) {
    const struct {
        const char* name;
        int rows;
        int failAt;
        Calls expected;
    } cases[] = {
        {"no rows: nothing shown, nothing cleared", 0, -1, {}},
        {"four rows: cleared once", 4, -1, {"show 0/4", "show 1/4", "show 2/4", "show 3/4", "clear"}},
        {"an error midway: cleared when it unwinds", 5, 2, {"show 0/5", "show 1/5", "clear"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CallsOfARun(c.rows, c.failAt), c.expected);
    }
}

TEST(CommandProgress, OnlyGrowsNeverPassesTheTotalAndStopsWhenRestored) {
    RecordingDisplay display;
    app::CommandProgress progress(&display);
    progress.Start(3);
    progress.ReachRow(1);
    progress.ReachRow(0);
    progress.ReachRow(1);
    progress.ReachRow(9);
    progress.ReachRow(-1);
    progress.Finish();
    progress.ReachRow(2);
    EXPECT_EQ(display.calls, (Calls{"show 0/3", "show 1/3", "clear"}));
}

}  // namespace
