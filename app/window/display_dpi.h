#pragma once
// The display resolution the window is drawn for. The per-monitor functions
// came with Windows 8.1 and 10; on Windows 7 they are missing, and the answer
// there is the system's one resolution. Each is looked up once, at run time.

#include <windows.h>

namespace app::window {

// The resolution the system started the program with (dots per inch).
int SystemDpi();

// The window's resolution: the one of its monitor where the program is
// per-monitor aware (Windows 10), else the system's.
int WindowDpi(HWND window);

// The outer rectangle of a window whose client area is `client`, with the
// frame, caption and one-line menu bar measured at `dpi`.
RECT OuterRectForClient(const RECT& client, DWORD style, bool hasMenu, DWORD exStyle, int dpi);

// For a per-monitor (version 1) program on Windows 10 1607 and later: let the
// system scale the caption, frame and menu bar too. Call at WM_NCCREATE; does
// nothing where the function is missing or awareness is of another kind.
void EnableNonClientScaling(HWND window);

}  // namespace app::window
