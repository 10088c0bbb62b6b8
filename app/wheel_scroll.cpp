#include "app/wheel_scroll.h"

#include <algorithm>

namespace app {

int VisibleRows(int clientHeight, int rowHeight) {
    if (rowHeight <= 0 || clientHeight <= 0) return 0;
    return clientHeight / rowHeight;
}

std::int64_t WheelScrollRows(std::uint32_t linesPerNotch, int visibleRows) {
    if (linesPerNotch == kWheelPageScroll) return std::max(visibleRows, 1);
    return linesPerNotch;
}

int WheelTopIndex(int currentTop, int wheelDelta, std::int64_t scrollRows, int rowCount, int visibleRows) {
    // 64-bit, so a huge lines-per-notch setting cannot overflow before clamping.
    const std::int64_t moved =
        wheelDelta > 0 ? std::int64_t{currentTop} - scrollRows : std::int64_t{currentTop} + scrollRows;
    const std::int64_t lastTop = std::max(0, rowCount - std::max(visibleRows, 1));
    return static_cast<int>(std::clamp<std::int64_t>(moved, 0, lastTop));
}

}  // namespace app
