#include "app/row_colours.h"
#include "app/row_paint.h"

#include <gtest/gtest.h>

using app::RgbColour;
using app::RowColour;

TEST(RowColours, ByIndexAndSelection) {
    const RgbColour white{255, 255, 255};
    const RgbColour grey{241, 241, 241};
    const RgbColour blue{0, 116, 230};
    const struct {
        const char* name;
        bool selected;
        int index;
        RgbColour colour;
    } cases[] = {
        {"row 0 unselected", false, 0, white},       {"row 1 unselected", false, 1, grey},
        {"row 2 unselected", false, 2, white},       {"row 3 unselected", false, 3, grey},
        {"row 0 selected", true, 0, blue},           {"row 1 selected", true, 1, blue},
        {"row 1000 unselected", false, 1000, white}, {"row 1001 unselected", false, 1001, grey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RowColour(c.selected, c.index), c.colour);
    }
}

TEST(RowPaint, WithoutHighContrastExactlyTheRowTable) {
    const app::RgbColour black{0, 0, 0};
    for (int index = 0; index < 6; ++index) {
        for (const bool selected : {false, true}) {
            SCOPED_TRACE(testing::Message() << "row " << index << (selected ? " selected" : " unselected"));
            const app::RowPaint paint = app::RowPaintFor(false, selected, index);
            EXPECT_EQ(paint.background, app::Fixed(RowColour(selected, index)));
            EXPECT_EQ(paint.text, selected ? app::System(app::SystemColour::HighlightText) : app::Fixed(black));
        }
    }
}

TEST(RowPaint, HighContrastTakesTheSystemColoursAndDoesNotAlternate) {
    using app::System, app::SystemColour;
    for (const int index : {0, 1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(app::RowPaintFor(true, false, index),
                  (app::RowPaint{System(SystemColour::Window), System(SystemColour::WindowText)}));
        EXPECT_EQ(app::RowPaintFor(true, true, index),
                  (app::RowPaint{System(SystemColour::Highlight), System(SystemColour::HighlightText)}));
    }
}
