// TForm1: the controls, their anchoring, the size limits and edge snapping.
#include "app/window/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <stdexcept>

#include "app/command_ids.h"
#include "app/window/message_boxes.h"

namespace app::window {
namespace {

// The design, in pixels at 96 dots per inch: client area, panel and its children.
constexpr Size kDesignClient{368, 454};
constexpr Rect kPanel2Design{4, 4, 4 + 358, 4 + 444};
constexpr Size kPanel2DesignClient{358, 444};
constexpr Rect kListBox1Design{8, 7, 8 + 343, 7 + 381};
constexpr Rect kUploadButtonDesign{8, 394, 8 + 343, 394 + 40};
constexpr unsigned kUploadButtonAnchors = kAnchorLeft | kAnchorBottom;

constexpr DWORD kListBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                LBS_HASSTRINGS | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

RECT ToRect(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
Rect FromRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

Size ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

HWND CreateChild(DWORD exStyle, const wchar_t* windowClass, DWORD style, const Rect& bounds, HWND parent, int id) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const HWND child =
        CreateWindowExW(exStyle, windowClass, L"", style, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (child == nullptr) throw std::runtime_error("cannot create a control of the main window");
    return child;
}

// Moves a child so that its anchored sides keep their distances when its
// parent's client area changes from `before` to `after`.
void Reanchor(const Control& child, Size before, Size after, unsigned anchors) {
    const Rect bounds = AnchoredRect(FromRect(child.Bounds()), before, after, anchors);
    MoveWindow(child.Handle(), bounds.left, bounds.top, bounds.Width(), bounds.Height(), TRUE);
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
    CreateMainMenu();
    CreateControls();
    CreateAccelerators();
    // Last: an error that leaves it is shown, and the window still appears
    // with what the earlier steps set.
    FormCreate();
}

void TForm1::CreateControls() {
    formFont_ = CreateArialFont(16, false);
    listFont_ = CreateArialFont(15, true);
    buttonFont_ = CreateArialFont(21, true);

    // The client area may differ from the design (a wider frame, say): the
    // anchored panel fits into what there is.
    formClient_ = ClientSize(handle_);
    Panel2.Create(handle_, ids::kPanel2, ToRect(AnchoredRect(kPanel2Design, kDesignClient, formClient_, kAnchorAll)));
    Panel2.SetFont(formFont_.get());
    panelClient_ = ClientSize(Panel2.Handle());

    const Rect listBounds = AnchoredRect(kListBox1Design, kPanel2DesignClient, panelClient_, kAnchorAll);
    ListBox1.Attach(
        CreateChild(WS_EX_CLIENTEDGE, WC_LISTBOXW, kListBoxStyle, listBounds, Panel2.Handle(), ids::kListBox1));
    ListBox1.SetFont(listFont_.get());
    SendMessageW(ListBox1.Handle(), LB_SETITEMHEIGHT, 0, MAKELPARAM(kRowHeight, 0));
    HookControl(ListBox1, listHook_, this);

    const Rect buttonBounds =
        AnchoredRect(kUploadButtonDesign, kPanel2DesignClient, panelClient_, kUploadButtonAnchors);
    UploadButton.Attach(CreateChild(0, WC_BUTTONW, kButtonStyle, buttonBounds, Panel2.Handle(), ids::kUploadButton));
    UploadButton.SetFont(buttonFont_.get());
    HookControl(UploadButton, buttonHook_, this);
}

void TForm1::OnSize(Size client) {
    if (Panel2.Handle() == nullptr || client.width == 0 || client.height == 0) return;
    Reanchor(Panel2, formClient_, client, kAnchorAll);
    formClient_ = client;

    const Size panelClient = ClientSize(Panel2.Handle());
    Reanchor(ListBox1, panelClient_, panelClient, kAnchorAll);
    Reanchor(UploadButton, panelClient_, panelClient, kUploadButtonAnchors);
    panelClient_ = panelClient;
}

void TForm1::OnMeasureItem(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType == ODT_LISTBOX && item.CtlID == ids::kListBox1) item.itemHeight = kRowHeight;
}

void TForm1::PlaceOnPrimaryScreen() {
    RECT outer{};
    GetWindowRect(handle_, &outer);
    const Point position = StartPosition({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                         {outer.right - outer.left, outer.bottom - outer.top});
    SetWindowPos(handle_, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::FixSizeLimits() {
    RECT outer{};
    GetWindowRect(handle_, &outer);
    minWidth_ = outer.right - outer.left;
    maxWidth_ = outer.right - outer.left;
    minHeight_ = outer.bottom - outer.top;
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
    const Rect snapped = SnapToWorkArea(proposed, WorkAreaNear(proposed));
    position.x = snapped.left;
    position.y = snapped.top;
}

void TForm1::OnMoving(RECT& dragRect) const {
    const Rect proposed = FromRect(dragRect);
    dragRect = ToRect(SnapToWorkArea(proposed, WorkAreaNear(proposed)));
}

void TForm1::FormActivate() { UploadButton.SetWidth(ListBox1.Width()); }

}  // namespace app::window
