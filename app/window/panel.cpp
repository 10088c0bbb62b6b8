#include "app/window/panel.h"

#include <stdexcept>

namespace app::window {
namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";

void RegisterPanelClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, kPanelClass, &windowClass)) return;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kPanelClass;
    if (RegisterClassExW(&windowClass) == 0) throw std::runtime_error("cannot register the panel's window class");
}

// One pixel wide frame: top and left in one colour, bottom and right in another.
void Frame3DLine(HDC dc, RECT& rect, int topLeftColour, int bottomRightColour) {
    const HBRUSH topLeft = GetSysColorBrush(topLeftColour);
    const HBRUSH bottomRight = GetSysColorBrush(bottomRightColour);
    const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    FillRect(dc, &top, topLeft);
    FillRect(dc, &left, topLeft);
    FillRect(dc, &bottom, bottomRight);
    FillRect(dc, &right, bottomRight);
    InflateRect(&rect, -1, -1);
}

// A frame of `width` one-pixel lines, from the outside in.
void Frame3D(HDC dc, RECT& rect, int width, int topLeftColour, int bottomRightColour) {
    for (int line = 0; line < width; ++line) Frame3DLine(dc, rect, topLeftColour, bottomRightColour);
}

}  // namespace

void Panel::Create(HWND parent, int id, const RECT& bounds) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterPanelClass(instance, &Panel::WindowProc);
    // WS_EX_CONTROLPARENT: the tab key walks into the panel's children.
    handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                              bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (handle_ == nullptr) throw std::runtime_error("cannot create the panel");
}

void Panel::SetBevelWidth(int width) {
    bevelWidth_ = width < 1 ? 1 : width;
    if (handle_ != nullptr) InvalidateRect(handle_, nullptr, TRUE);
}

void Panel::Paint(HWND window) const {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    RECT rect{};
    GetClientRect(window, &rect);
    Frame3D(dc, rect, bevelWidth_, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);  // outer bevel, raised
    Frame3D(dc, rect, bevelWidth_, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);  // inner bevel, lowered
    EndPaint(window, &paint);
}

LRESULT CALLBACK Panel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* panel = reinterpret_cast<Panel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (panel == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        panel->Paint(window);
        return 0;
    case WM_SETFONT:
        panel->font_ = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam) != 0) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(panel->font_);
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        // Children notify their parent; the handlers live in the main window.
        return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace app::window
