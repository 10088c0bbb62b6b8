#pragma once
// The panel that holds the list and the button: a plain child window with a
// raised outer and a lowered inner bevel (one pixel each at 96 DPI, as wide as
// the form says at other resolutions), in the button-face colour. It keeps the
// font it is given (WM_SETFONT, WM_GETFONT) as the standard controls do, and
// hands its children's notifications (commands, owner drawing) on to its
// parent, so the main window's handlers receive them.

#include <windows.h>

#include "app/window/controls.h"

namespace app::window {

class Panel final : public Control {
public:
    // Creates the panel as a child of `parent` at the given client rectangle.
    // The Panel object must outlive its window (the form holds both).
    void Create(HWND parent, int id, const RECT& bounds);
    // Width of each bevel in pixels (at least 1); the panel is drawn anew.
    void SetBevelWidth(int width);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HWND window) const;

    HFONT font_ = nullptr;
    int bevelWidth_ = 1;
};

}  // namespace app::window
