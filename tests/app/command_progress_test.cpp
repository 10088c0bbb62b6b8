#include "app/command_progress.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Writes down every call, as "show c/t" and "clear".
class RecordingDisplay final : public app::ProgressDisplay {
public:
    void ShowProgress(std::uint64_t completed, std::uint64_t total) override {
        calls.push_back("show " + std::to_string(completed) + "/" + std::to_string(total));
    }
    void ClearProgress() override { calls.push_back("clear"); }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

// The calls the show-details command makes of its view: the row count once,
// then every row in ascending order, then the button restored.
Calls WholeRun(int rows) {
    RecordingDisplay display;
    app::CommandProgress progress(&display);
    progress.Start(rows);
    for (int row = 0; row < rows; ++row) progress.ReachRow(row);
    progress.Finish();
    return display.calls;
}

TEST(CommandProgress, ValuesOverARun) {
    const struct {
        const char* name;
        int rows;
        Calls expected;
    } cases[] = {
        {"no rows: nothing shown, nothing cleared", 0, {}},
        {"one row", 1, {"show 0/1", "clear"}},
        {"four rows", 4, {"show 0/4", "show 1/4", "show 2/4", "show 3/4", "clear"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WholeRun(c.rows), c.expected);
    }
}

TEST(CommandProgress, OnlyGrowsAndNeverPassesTheTotal) {
    RecordingDisplay display;
    app::CommandProgress progress(&display);
    progress.Start(3);
    progress.ReachRow(2);
    progress.ReachRow(1);  // asked again about an earlier row
    progress.ReachRow(2);  // the same row twice
    progress.ReachRow(9);  // past the end
    progress.ReachRow(-1);
    EXPECT_EQ(display.calls, (Calls{"show 0/3", "show 2/3"}));
}

TEST(CommandProgress, ClearedOnEveryRoad) {
    {
        SCOPED_TRACE("restored, then the command ends: cleared once");
        RecordingDisplay display;
        {
            app::CommandProgress progress(&display);
            progress.Start(2);
            progress.ReachRow(0);
            progress.Finish();
            progress.ReachRow(1);  // nothing after the button is restored
        }
        EXPECT_EQ(display.calls, (Calls{"show 0/2", "clear"}));
    }
    {
        SCOPED_TRACE("an error leaves the command midway: cleared when it unwinds");
        RecordingDisplay display;
        try {
            app::CommandProgress progress(&display);
            progress.Start(5);
            progress.ReachRow(1);
            throw std::runtime_error("the reply file cannot be created");
        } catch (const std::runtime_error&) {}
        EXPECT_EQ(display.calls, (Calls{"show 0/5", "show 1/5", "clear"}));
    }
    {
        SCOPED_TRACE("a second run starts again from 0");
        RecordingDisplay display;
        app::CommandProgress first(&display);
        first.Start(2);
        first.ReachRow(1);
        first.Finish();
        app::CommandProgress second(&display);
        second.Start(2);
        EXPECT_EQ(display.calls, (Calls{"show 0/2", "show 1/2", "clear", "show 0/2"}));
    }
}

}  // namespace
