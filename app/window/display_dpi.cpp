#include "app/window/display_dpi.h"

#include "app/dpi_scale.h"

namespace app::window {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using EnableNonClientDpiScalingFunction = BOOL(WINAPI*)(HWND);

// A user32 export, or null where this Windows has none. GetProcAddress gives a
// generic function pointer; going through void* states the real type.
template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

// The screen's logical resolution: what a system-aware program sees, and the
// one answer Windows 7 has.
int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) return kDesignDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int SystemDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem != nullptr) {
        const UINT dpi = getDpiForSystem();
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        // 0 for a window handle that is no longer valid.
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

RECT OuterRectForClient(const RECT& client, DWORD style, bool hasMenu, DWORD exStyle, int dpi) {
    static const auto adjustForDpi = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT outer = client;
    if (adjustForDpi != nullptr && adjustForDpi(&outer, style, hasMenu ? TRUE : FALSE, exStyle, dpi)) return outer;
    // Without it the frame is measured at the system's resolution, which on
    // Windows 7 is the only one.
    outer = client;
    AdjustWindowRectEx(&outer, style, hasMenu ? TRUE : FALSE, exStyle);
    return outer;
}

void EnableNonClientScaling(HWND window) {
    static const auto enable = User32Function<EnableNonClientDpiScalingFunction>("EnableNonClientDpiScaling");
    // Fails harmlessly for a per-monitor version 2 program, which has it already.
    if (enable != nullptr) enable(window);
}

}  // namespace app::window
