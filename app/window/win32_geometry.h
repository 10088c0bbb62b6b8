#pragma once
// The portable geometry types (window_geometry.h) and their Win32 forms.

#include <windows.h>

#include "app/window_geometry.h"

namespace app::window {

inline RECT ToRect(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
inline Rect FromRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

inline Size ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

inline Size OuterSize(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace app::window
