#pragma once
// How one list row is painted: its background and text colour, either a fixed
// colour of the row table (row_colours.h) or one of the system's colours. With
// the system's high-contrast mode on, the rows take the user's colours and do
// not alternate; otherwise they are painted exactly as the row table says.

#include "app/row_colours.h"

namespace app {

// The system colours a row may take (COLOR_WINDOW and its kin).
enum class SystemColour { Window, WindowText, Highlight, HighlightText };

// A fixed colour, or the system colour of that name when `system` is set.
struct RowColourSource {
    bool system = false;
    SystemColour systemColour = SystemColour::Window;
    RgbColour fixed{0, 0, 0};
    friend constexpr bool operator==(const RowColourSource&, const RowColourSource&) = default;
};

struct RowPaint {
    RowColourSource background;
    RowColourSource text;
    friend constexpr bool operator==(const RowPaint&, const RowPaint&) = default;
};

constexpr RowColourSource Fixed(RgbColour colour) { return {false, SystemColour::Window, colour}; }
constexpr RowColourSource System(SystemColour colour) { return {true, colour, {0, 0, 0}}; }

// Unselected text is black on the row table's colours; a selected row's text is
// the system's highlight text, as the list prepares it for the row.
constexpr RowPaint RowPaintFor(bool highContrast, bool selected, int index) {
    if (highContrast) {
        return selected ? RowPaint{System(SystemColour::Highlight), System(SystemColour::HighlightText)}
                        : RowPaint{System(SystemColour::Window), System(SystemColour::WindowText)};
    }
    return {Fixed(RowColour(selected, index)),
            selected ? System(SystemColour::HighlightText) : Fixed(RgbColour{0, 0, 0})};
}

}  // namespace app
