#pragma once
// The system's display theme as the window follows it: whether high contrast
// is on, and the system colours the rows take then.

#include <windows.h>

#include "app/row_paint.h"

namespace app::window {

// True while the user's high-contrast mode is on (SPI_GETHIGHCONTRAST); false
// where the system cannot tell.
bool HighContrastOn();

// The colour a row paints with: a fixed colour, or the system colour's present value.
COLORREF ToColorRef(const RowColourSource& colour);

}  // namespace app::window
