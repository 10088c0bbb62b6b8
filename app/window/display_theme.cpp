#include "app/window/display_theme.h"

namespace app::window {
namespace {

int SystemColourIndex(SystemColour colour) {
    switch (colour) {
    case SystemColour::Window:
        return COLOR_WINDOW;
    case SystemColour::WindowText:
        return COLOR_WINDOWTEXT;
    case SystemColour::Highlight:
        return COLOR_HIGHLIGHT;
    case SystemColour::HighlightText:
        return COLOR_HIGHLIGHTTEXT;
    }
    return COLOR_WINDOW;
}

}  // namespace

bool HighContrastOn() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof(highContrast);
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(highContrast), &highContrast, 0)) return false;
    return (highContrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF ToColorRef(const RowColourSource& colour) {
    // The system colour is read at each use: a theme change takes effect with the next paint.
    if (colour.system) return GetSysColor(SystemColourIndex(colour.systemColour));
    return RGB(colour.fixed.red, colour.fixed.green, colour.fixed.blue);
}

}  // namespace app::window
