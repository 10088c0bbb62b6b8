// TForm1: the controls, their anchoring, the size limits and edge snapping.
#include "app/window/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <stdexcept>

#include "app/command_ids.h"
#include "app/window/display_dpi.h"
#include "app/window/display_theme.h"
#include "app/window/message_boxes.h"
#include "app/window/win32_geometry.h"

namespace app::window {
namespace {

constexpr DWORD kListBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                LBS_HASSTRINGS | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

HWND CreateChild(DWORD exStyle, const wchar_t* windowClass, DWORD style, const Rect& bounds, HWND parent, int id) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const HWND child =
        CreateWindowExW(exStyle, windowClass, L"", style, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (child == nullptr) throw std::runtime_error("cannot create a control of the main window");
    return child;
}

// The controls' own message handling, with two things taken first: the form's
// wheel handler (list only), and the menu shortcuts. Shortcuts are recognised
// here as well as in the main message loop, so they also work while another
// loop (a wait that lets messages through) dispatches the keys.
//
// Classic subclassing: the control's window procedure is replaced and its hook
// kept in the control's user data. comctl32's SetWindowSubclass finds its chain
// through a window property on every message, which under Wine is a round trip
// to the server: a list filled with thousands of rows paid it per row.
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* hook = reinterpret_cast<const ControlHook*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (hook == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC original = hook->original;
    TForm1* form = hook->form;
    try {
        switch (message) {
        case WM_MOUSEWHEEL:
            if (form->FormMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
                return 0;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (form->TranslateShortCut(window, message, wParam, lParam)) return 0;
            break;
        case WM_NCDESTROY:
            // The control's own procedure takes back its window for the last message.
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    } catch (...) {
        ShowExceptionBox(form->Handle(), std::current_exception());
        return 0;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

// Puts ControlProc in front of the control's own window procedure.
void HookControl(const Control& control, ControlHook& hook, TForm1* form) {
    hook.form = form;
    SetWindowLongPtrW(control.Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&hook));
    hook.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
}

}  // namespace

void TForm1::OnCreate() {
    highContrast_ = HighContrastOn();
    // A program running with higher rights than the shell still hears that its button exists.
    ChangeWindowMessageFilterEx(handle_, TaskbarButtonCreatedMessage(), MSGFLT_ALLOW, nullptr);
    CreateMainMenu();
    CreateControls();
    CreateAccelerators();
    // Last: an error that leaves it is shown, and the window still appears
    // with what the earlier steps set.
    FormCreate();
}

void TForm1::CreateControls() {
    // The client area may differ from the design (a wider frame, say): the
    // anchored panel fits into what there is.
    dpi_ = WindowDpi(handle_);
    metrics_ = MetricsForDpi(dpi_);
    const ChildRects rects = LayoutChildren(dpi_, ClientSize(handle_));
    Panel2.Create(handle_, ids::kPanel2, ToRect(rects.panel));
    ListBox1.Attach(
        CreateChild(WS_EX_CLIENTEDGE, WC_LISTBOXW, kListBoxStyle, rects.list, Panel2.Handle(), ids::kListBox1));
    HookControl(ListBox1, listHook_, this);
    UploadButton.Attach(CreateChild(0, WC_BUTTONW, kButtonStyle, rects.button, Panel2.Handle(), ids::kUploadButton));
    HookControl(UploadButton, buttonHook_, this);
    ApplyFonts();
}

void TForm1::OnSize(Size client) {
    if (Panel2.Handle() == nullptr || client.width == 0 || client.height == 0) return;
    PlaceChildren(client);
}

void TForm1::OnMeasureItem(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType == ODT_LISTBOX && item.CtlID == ids::kListBox1) item.itemHeight = metrics_.rowHeight;
}

void TForm1::PlaceOnPrimaryScreen() {
    RECT outer{};
    GetWindowRect(handle_, &outer);
    const Point position = StartPosition({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                         {outer.right - outer.left, outer.bottom - outer.top});
    SetWindowPos(handle_, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::FixSizeLimits() {
    // At a high scale on a small screen the start size may not fit: the window
    // is cut to the work area first, and no limit asks for more than it.
    const Rect workArea = FitIntoMonitorWorkArea();
    const SizeLimits limits = WithinWorkArea(SizeLimitsForDpi(dpi_, OuterSize(handle_), ClientSize(handle_)),
                                             {workArea.Width(), workArea.Height()});
    minWidth_ = limits.minWidth;
    maxWidth_ = limits.maxWidth;
    minHeight_ = limits.minHeight;
}

void TForm1::OnGetMinMaxInfo(MINMAXINFO& info) const {
    if (minWidth_ > 0) info.ptMinTrackSize.x = minWidth_;
    if (maxWidth_ > 0) info.ptMaxTrackSize.x = maxWidth_;
    if (minHeight_ > 0) info.ptMinTrackSize.y = minHeight_;
}

namespace {

Rect WorkAreaNear(const Rect& window) {
    const RECT rect = ToRect(window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor);
    return FromRect(monitor.rcWork);
}

}  // namespace

Rect TForm1::FitIntoMonitorWorkArea() {
    RECT outer{};
    GetWindowRect(handle_, &outer);
    const Rect window = FromRect(outer);
    const Rect workArea = WorkAreaNear(window);
    const Rect fitted = FitIntoWorkArea(window, workArea);
    if (fitted != window) {
        SetWindowPos(handle_, nullptr, fitted.left, fitted.top, fitted.Width(), fitted.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return workArea;
}

void TForm1::OnWindowPosChanging(WINDOWPOS& position) const {
    // Only moves of the shown window that keep its size snap; start-up
    // placement and resizing do not.
    if ((position.flags & SWP_NOMOVE) != 0 || !IsWindowVisible(handle_)) return;
    RECT current{};
    GetWindowRect(handle_, &current);
    const int width = current.right - current.left;
    const int height = current.bottom - current.top;
    if ((position.flags & SWP_NOSIZE) == 0 && (position.cx != width || position.cy != height)) return;
    const Rect proposed{position.x, position.y, position.x + width, position.y + height};
    const Rect snapped = SnapForDpi(proposed, WorkAreaNear(proposed), dpi_);
    position.x = snapped.left;
    position.y = snapped.top;
}

void TForm1::OnMoving(RECT& dragRect) const {
    const Rect proposed = FromRect(dragRect);
    dragRect = ToRect(SnapForDpi(proposed, WorkAreaNear(proposed), dpi_));
}

void TForm1::FormActivate() { UploadButton.SetWidth(ListBox1.Width()); }

}  // namespace app::window
