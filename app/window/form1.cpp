// TForm1: window creation, the window procedure and the message dispatch.
#include "app/window/form1.h"

#include <windowsx.h>

#include <stdexcept>

#include "app/accessible_names.h"
#include "app/command_ids.h"
#include "app/menu_texts.h"
#include "app/window/display_dpi.h"
#include "app/window/message_boxes.h"
#include "platform/win32/wide.h"

namespace app::window {
namespace {

// Posted by Show: runs once the window is on the screen.
constexpr UINT kShownMessage = WM_APP + 1;

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ids::kMainWindowClass;
    if (RegisterClassExW(&windowClass) == 0) throw std::runtime_error("cannot register the main window's class");
}

}  // namespace

UINT TaskbarButtonCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(kTaskbarButtonCreatedMessage);
    return message;
}

TForm1::~TForm1() {
    if (handle_ != nullptr) DestroyWindow(handle_);
}

void TForm1::Create(HINSTANCE instance) {
    RegisterFormClass(instance, &TForm1::WindowProc);
    // The outer size that holds the designed client area below a one-line menu
    // bar, at the resolution the window will most likely get (the primary
    // monitor's); creation lays it out again for the one it really gets.
    const int dpi = SystemDpi();
    const Size client = ScaleToDpi(design::kClient, dpi);
    const RECT outer = OuterRectForClient({0, 0, client.width, client.height}, kFormStyle, true, kFormExStyle, dpi);
    const std::wstring caption = platform::win32::ToWchar(kWindowCaption);
    const HWND window =
        CreateWindowExW(kFormExStyle, ids::kMainWindowClass, caption.c_str(), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (window == nullptr) throw std::runtime_error("cannot create the main window");
}

void TForm1::Show(int showCommand) {
    ShowWindow(handle_, showCommand);
    UpdateWindow(handle_);
    PostMessageW(handle_, kShownMessage, 0, 0);
}

void TForm1::Close() {
    // The window goes at once; WM_DESTROY ends the message loop. The caller's
    // handler runs on to its end, without the window.
    if (handle_ != nullptr) DestroyWindow(handle_);
}

bool TForm1::PreTranslateMessage(MSG& message) {
    if (handle_ == nullptr) return false;
    if (message.hwnd != handle_ && !IsChild(handle_, message.hwnd)) return false;
    // Taken before TranslateMessage, so a shortcut leaves no character behind.
    if (TranslateShortCut(message.hwnd, message.message, message.wParam, message.lParam)) return true;
    return IsDialogMessageW(handle_, &message) != FALSE;
}

bool TForm1::TranslateShortCut(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!accelerators_ || handle_ == nullptr || (message != WM_KEYDOWN && message != WM_SYSKEYDOWN)) return false;
    MSG key{target, message, wParam, lParam, 0, {}};
    // Sends the entry's WM_COMMAND to the window when the keys match an enabled entry.
    return TranslateAcceleratorW(handle_, accelerators_.get(), &key) != 0;
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        EnableNonClientScaling(window);
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    bool handled = false;
    if (form != nullptr) {
        // No exception may cross into the system's code: show it and go on.
        try {
            handled = form->Dispatch(message, wParam, lParam, result);
        } catch (...) {
            ShowExceptionBox(form->handle_, std::current_exception());
            handled = true;
            result = 0;
        }
    }
    if (!handled) result = DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (form != nullptr) form->handle_ = nullptr;
    }
    return result;
}

bool TForm1::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
        return false;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return true;
    case WM_SIZE:
        OnSize({LOWORD(lParam), HIWORD(lParam)});
        return true;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return true;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return true;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return false;  // the default handling still applies the size limits
    case WM_MOVING:
        OnMoving(*reinterpret_cast<RECT*>(lParam));
        result = TRUE;
        return true;
    case WM_MEASUREITEM:
        OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_DRAWITEM:
        if (reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlID != ids::kListBox1) return false;
        ListBox1DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return TranslateShortCut(handle_, message, wParam, lParam);
    case WM_MOUSEWHEEL:
        // Wheel events of the children that they leave alone arrive here too.
        return FormMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_CLOSE:
        Close();
        return true;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange();
        return true;
    case WM_SETTINGCHANGE:
        OnSettingChange();
        return false;
    case kShownMessage:
        OnShown();
        return true;
    case WM_DESTROY:
        OnDestroy();
        PostQuitMessage(0);
        return true;
    default:
        if (message == TaskbarButtonCreatedMessage()) {
            OnTaskbarButtonCreated();
            return true;
        }
        return false;
    }
}

void TForm1::OnCommand(int id, int notifyCode, HWND control) {
    if (control != nullptr) {
        if (id == ids::kUploadButton && notifyCode == BN_CLICKED) UploadButtonClick();
        return;
    }
    // A menu entry (notify code 0) or a shortcut (notify code 1).
    for (MenuEntry* entry : MenuEntries()) {
        if (entry->Id() == id && entry->Id() != 0) {
            ChooseMenuEntry(*entry);
            return;
        }
    }
}

void TForm1::OnInitMenuPopup(HMENU popup, bool systemMenu) {
    // The click of a menu-bar entry comes when its submenu opens.
    if (systemMenu) return;
    if (popup == Menu.Submenu()) MenuClick(Menu);
    if (popup == MenuAbout.Submenu()) MenuClick(MenuAbout);
}

void TForm1::ChooseMenuEntry(MenuEntry& entry) {
    if (!entry.HasClickHandler()) return;
    // The menu marks a radio entry before its handler runs.
    if (entry.RadioGroup() > 0) {
        for (MenuEntry* other : MenuEntries()) {
            if (other->RadioGroup() == entry.RadioGroup()) other->SetChecked(other == &entry);
        }
    }
    MenuClick(entry);
}

void TForm1::EnsureComApartment() {
    if (!comApartment_) comApartment_.emplace();
}

// COM and the annotation service take a few milliseconds to load: they come
// after the window's first paint rather than before it. The name then set is
// announced as a name change, which a screen reader that already read the
// list takes up.
void TForm1::OnShown() {
    EnsureComApartment();
    listAnnotation_.Connect(CreateAnnotationServices());
    listAnnotation_.SetName(ListBox1.Handle(), ListAccessibleName(language_));
}

void TForm1::OnTaskbarButtonCreated() {
    EnsureComApartment();
    taskbarProgress_.Connect(handle_, CreateTaskbarList());
}

void TForm1::OnDestroy() {
    // The children still exist here; the annotation goes before the list does.
    listAnnotation_.Clear();
}

void TForm1::OnActivate(bool active) {
    if (!active) {
        savedFocus_ = GetFocus();
        return;
    }
    // Give the focus back to the control that had it, the list at first.
    const HWND focus = (savedFocus_ != nullptr && IsChild(handle_, savedFocus_)) ? savedFocus_ : ListBox1.Handle();
    SetFocus(focus);
    FormActivate();
}

}  // namespace app::window
