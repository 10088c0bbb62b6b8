#pragma once
// Background colours of the list rows: by selection, and alternating by row.

namespace app {

struct RgbColour {
    unsigned char red;
    unsigned char green;
    unsigned char blue;
    friend constexpr bool operator==(const RgbColour&, const RgbColour&) = default;
};

// [selected][index odd]
inline constexpr RgbColour RowColours[2][2] = {
    {{255, 255, 255}, {241, 241, 241}},  // not selected: white, light grey
    {{0, 116, 230}, {0, 116, 230}},      // selected: blue
};

constexpr RgbColour RowColour(bool selected, int index) {
    return RowColours[selected ? 1 : 0][(index % 2 != 0) ? 1 : 0];
}

}  // namespace app
