#pragma once
// The panel that holds the list and the button: a plain child window with a
// raised outer and a lowered inner bevel, one pixel each, in the button-face
// colour. It hands its children's notifications (commands, owner drawing) on
// to its parent, so the main window's handlers receive them.

#include <windows.h>

#include "app/window/controls.h"

namespace app::window {

class Panel final : public Control {
public:
    // Creates the panel as a child of `parent` at the given client rectangle.
    void Create(HWND parent, int id, const RECT& bounds);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void Paint(HWND window);
};

}  // namespace app::window
