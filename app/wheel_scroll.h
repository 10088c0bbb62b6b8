#pragma once
// The arithmetic of the mouse-wheel handler: how far one wheel event moves the
// list's first visible row.

#include <cstdint>

namespace app {

// The system's "one page per notch" wheel setting (WHEEL_PAGESCROLL).
inline constexpr std::uint32_t kWheelPageScroll = 0xFFFFFFFFu;

// Rows that fit wholly in a list of the given client height.
int VisibleRows(int clientHeight, int rowHeight);

// Rows one wheel event moves: the system's lines per notch, or for the page
// setting the rows that fit in the list (at least one).
std::int64_t WheelScrollRows(std::uint32_t linesPerNotch, int visibleRows);

// The new first visible row: a delta above 0 (away from the user) moves up by
// `scrollRows`, any other delta moves down; only the sign counts. The result
// lies between the first row at the top and the last row at the bottom.
int WheelTopIndex(int currentTop, int wheelDelta, std::int64_t scrollRows, int rowCount, int visibleRows);

}  // namespace app
