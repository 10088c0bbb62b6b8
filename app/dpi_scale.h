#pragma once
// Display scale: every length of the window's layout is a design length, in
// pixels at 96 dots per inch, and turns into device pixels here and nowhere else.

#include <cstdint>

#include "app/window_geometry.h"

namespace app {

// The resolution the layout is designed at (100 % display scale).
inline constexpr int kDesignDpi = 96;

// designLength * dpi / 96 in device pixels, rounded to the nearest integer with
// halves rounded away from zero, as Win32's MulDiv(designLength, dpi, 96) does:
// at 120 DPI 10 becomes 12.5 -> 13 and -10 becomes -13. At 96 DPI every length
// stays as it is. A dpi of 0 or below (no answer from the system) counts as 96.
constexpr int ScaleToDpi(int designLength, int dpi) {
    if (dpi <= 0) dpi = kDesignDpi;
    const std::int64_t product = static_cast<std::int64_t>(designLength) * dpi;
    const std::int64_t half = kDesignDpi / 2;
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / kDesignDpi;
    return static_cast<int>(product < 0 ? -magnitude : magnitude);
}

constexpr Size ScaleToDpi(Size designSize, int dpi) {
    return {ScaleToDpi(designSize.width, dpi), ScaleToDpi(designSize.height, dpi)};
}

}  // namespace app
