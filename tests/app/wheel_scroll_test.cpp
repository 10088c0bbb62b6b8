#include "app/wheel_scroll.h"

#include <gtest/gtest.h>

using namespace app;

TEST(WheelScroll, VisibleRows) {
    EXPECT_EQ(VisibleRows(381, 20), 19);
    EXPECT_EQ(VisibleRows(380, 20), 19);
    EXPECT_EQ(VisibleRows(19, 20), 0);
    EXPECT_EQ(VisibleRows(0, 20), 0);
    EXPECT_EQ(VisibleRows(100, 0), 0);
}

TEST(WheelScroll, RowsPerEvent) {
    EXPECT_EQ(WheelScrollRows(3, 19), 3);
    EXPECT_EQ(WheelScrollRows(0, 19), 0);
    EXPECT_EQ(WheelScrollRows(kWheelPageScroll, 19), 19);  // one page: the rows that fit
    EXPECT_EQ(WheelScrollRows(kWheelPageScroll, 0), 1);    // a list lower than a row still moves
    EXPECT_EQ(WheelScrollRows(0x7FFFFFFFu, 19), 0x7FFFFFFF);
}

TEST(WheelScroll, NewTopIndex) {
    const struct {
        const char* name;
        int top;
        int delta;
        std::int64_t rows;
        int count;
        int visible;
        int expected;
    } cases[] = {
        {"one notch forward moves up by 3", 10, 120, 3, 100, 19, 7},
        {"one notch back moves down by 3", 10, -120, 3, 100, 19, 13},
        {"high-resolution forward also by 3", 10, 30, 3, 100, 19, 7},
        {"high-resolution back also by 3", 10, -1, 3, 100, 19, 13},
        {"zero delta counts as back", 10, 0, 3, 100, 19, 13},
        {"big delta still by 3", 10, 960, 3, 100, 19, 7},
        {"clamped at the first row", 1, 120, 3, 100, 19, 0},
        {"clamped so the last row stays at the bottom", 80, -120, 3, 100, 19, 81},
        {"already at the bottom", 81, -120, 3, 100, 19, 81},
        {"list shorter than a page stays at the top", 0, -120, 3, 5, 19, 0},
        {"empty list", 0, -120, 3, 0, 19, 0},
        {"page setting forward", 40, 120, 19, 100, 19, 21},
        {"zero lines keeps the row", 10, 120, 0, 100, 19, 10},
        {"huge setting cannot overflow", 10, -120, 0xFFFFFFFELL, 100, 19, 81},
        {"huge setting forward", 10, 120, 0xFFFFFFFELL, 100, 19, 0},
        {"top beyond the end comes back", 200, 120, 3, 100, 19, 81},
        {"no visible row counts as one", 5, -120, 3, 10, 0, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WheelTopIndex(c.top, c.delta, c.rows, c.count, c.visible), c.expected);
    }
}
