#pragma once
// The program's one window: the package list, the show-details button and the
// main menu. TForm1 owns its window: `this` travels through CreateWindowExW's
// last argument, is stored at WM_NCCREATE and cleared at WM_NCDESTROY. The
// window procedure only dispatches to the named handlers; every exception that
// leaves a handler is caught there and shown in the standard error box.

#include <windows.h>

#include <array>
#include <optional>

#include "app/window/com_apartment.h"
#include "app/window/controls.h"
#include "app/window/list_annotation.h"
#include "app/window/menu_entry.h"
#include "app/window/panel.h"
#include "app/window/taskbar_progress.h"
#include "app/window/win32_handles.h"
#include "app/form_layout.h"
#include "app/language.h"
#include "app/window_geometry.h"

namespace app::window {

class TForm1;

// A control whose messages the form sees first: the form, and the control's
// own window procedure, which gets every message the form leaves alone.
struct ControlHook {
    TForm1* form = nullptr;
    WNDPROC original = nullptr;
};

class TForm1 {
public:
    TForm1() = default;
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Creates the window (hidden) with its controls and menu; creation runs
    // FormCreate. Throws std::runtime_error when the window cannot be created.
    void Create(HINSTANCE instance);
    void Show(int showCommand);
    HWND Handle() const { return handle_; }

    // For every message loop that runs while the window exists: the menu
    // shortcuts (wherever the focus is within the window) and tab navigation.
    // True when the message was consumed and must not be dispatched.
    bool PreTranslateMessage(MSG& message);
    // The menu shortcuts for a key message of the window or one of its
    // controls: true when it ran a menu entry (the key is then consumed).
    bool TranslateShortCut(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

    // Ends the program: the window goes and the message loop ends.
    void Close();

    // Handlers.
    void FormCreate();
    void FormActivate();
    // True (handled) when the mouse is over the list and the list was scrolled.
    bool FormMouseWheel(int wheelDelta, POINT mousePosition);
    void MenuClick(const MenuEntry& Sender);
    void ListBox1DrawItem(const DRAWITEMSTRUCT& item);
    void UploadButtonClick();

    // Controls. The show-details command changes the button's caption and
    // enabled state and reads the rows' selection through these.
    Panel Panel2;
    ListBox ListBox1;
    Button UploadButton;

    // Menu entries, in the order of the menu.
    MenuEntry Menu;
    MenuEntry MenuDeu;
    MenuEntry MenuEng;
    MenuEntry MenuFra;
    MenuEntry N1;
    MenuEntry MenuExit;
    MenuEntry MenuEdit;
    MenuEntry MenuSelAll;
    MenuEntry MenuInvAll;
    MenuEntry N2;
    MenuEntry MenuHint1;
    MenuEntry MenuHint2;
    MenuEntry MenuAbout;
    MenuEntry MenuCopyR;
    MenuEntry MenuDorvik;
    MenuEntry MenuTamsel;
    MenuEntry N3;
    MenuEntry MenuTotal;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs the handler of one message; false sends it on to DefWindowProcW.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Creation (form1_layout.cpp, form1_menu.cpp).
    void OnCreate();
    void CreateControls();
    void CreateMainMenu();
    void CreateAccelerators();
    std::array<MenuEntry*, 18> MenuEntries();

    // Window messages turned into handler calls.
    void OnCommand(int id, int notifyCode, HWND control);
    void OnInitMenuPopup(HMENU popup, bool systemMenu);
    void OnActivate(bool active);
    void OnSize(Size client);
    // The window moved to a monitor of another scale, or the scale changed:
    // `dpi` is the new resolution, `suggested` the outer rectangle the system
    // proposes for it (screen coordinates).
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnGetMinMaxInfo(MINMAXINFO& info) const;
    // The system's colours or its high-contrast setting changed (form1_theme.cpp).
    void OnSysColorChange();
    void OnSettingChange();
    // The shell announced the window's taskbar button: its progress can be shown.
    void OnTaskbarButtonCreated();
    void OnDestroy();
    // Once the window is shown: COM on the window's thread and the list's
    // accessible name.
    void OnShown();
    void EnsureComApartment();
    void OnWindowPosChanging(WINDOWPOS& position) const;
    void OnMoving(RECT& dragRect) const;
    void OnMeasureItem(MEASUREITEMSTRUCT& item) const;
    void ChooseMenuEntry(MenuEntry& entry);
    void ApplyLanguage(const MenuEntry& Sender);

    // FormCreate's placement steps.
    void PlaceOnPrimaryScreen();
    void FixSizeLimits();
    // Makes the window fit the work area of its monitor (no larger, placed on
    // it); a window that fits stays as it is. Returns that work area.
    Rect FitIntoMonitorWorkArea();

    // The fonts, the row height and the children's places for the window's
    // resolution (form1_layout.cpp).
    void ApplyFonts();
    void PlaceChildren(Size client);

    HWND handle_ = nullptr;
    // The resolution the window is laid out for, and its lengths there.
    int dpi_ = kDesignDpi;
    ScaledMetrics metrics_ = MetricsForDpi(kDesignDpi);
    FontHandle formFont_;
    FontHandle listFont_;
    FontHandle buttonFont_;
    AcceleratorHandle accelerators_;

    // Size limits, fixed by FormCreate; 0 means none.
    int minWidth_ = 0;
    int maxWidth_ = 0;
    int minHeight_ = 0;

    // COM for the annotation and the taskbar list; first of the three, so it goes after them.
    std::optional<ComApartment> comApartment_;
    // The interface language in force, whose name the list is given.
    Language language_ = Language::German;
    // Rows, selection and focus take the system's colours while high contrast is on.
    bool highContrast_ = false;
    // The list's accessible name, in the interface's language.
    ListAnnotation listAnnotation_;
    // The show-details command's progress on the taskbar button, once the shell announced it.
    TaskbarProgress taskbarProgress_;

    // The control that had the focus when the window was last deactivated.
    HWND savedFocus_ = nullptr;

    // The list and the button, whose keys and wheel turns the form sees first.
    ControlHook listHook_;
    ControlHook buttonHook_;
};

// The registered message the shell sends when the window's taskbar button exists.
UINT TaskbarButtonCreatedMessage();

// Moves the window so that its client area is width x height, keeping its left
// and top; menu bar, caption and frame stay outside the given size.
void SetClientAreaSize(HWND window, int width, int height);

}  // namespace app::window
