// TForm1: following the system's colours and its high-contrast mode at once.
// Only top-level windows hear of a colour change; the standard controls need
// it to drop the colours and brushes they keep, so it is passed on to them.
#include "app/window/form1.h"

#include "app/window/display_theme.h"

namespace app::window {
namespace {

BOOL CALLBACK PassOnColourChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

void RedrawEverything(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace

void TForm1::OnSysColorChange() {
    highContrast_ = HighContrastOn();
    // Every descendant, the panel's list and button included.
    EnumChildWindows(handle_, &PassOnColourChange, 0);
    RedrawEverything(handle_);
}

void TForm1::OnSettingChange() {
    // Turning high contrast on or off comes as SPI_SETHIGHCONTRAST; other
    // settings may come with no flag at all, so the mode is read again for any.
    const bool highContrast = HighContrastOn();
    if (highContrast == highContrast_) return;
    highContrast_ = highContrast;
    RedrawEverything(handle_);
}

}  // namespace app::window
