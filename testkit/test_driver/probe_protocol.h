#pragma once
// The agreement between the driver and its probe DLL. The driver hooks the window
// thread of the program under test with the DLL (a WH_CALLWNDPROC hook, which the
// system loads into that process) and sends the window the probe message; the
// hook answers from inside the process, where it can read what another process
// cannot (menus, shared icon handles), into a named shared section the driver made.

namespace driver::probe {

inline constexpr wchar_t kMessageName[] = L"VantrelDriver.Probe";
inline constexpr char kHookExport[] = "VantrelProbeHook";
inline constexpr wchar_t kDllName[] = L"vantrel-probe.dll";

// The shared section: "Local\VantrelDriverProbe-<driver pid>", NUL-terminated ASCII JSON.
inline constexpr wchar_t kSectionPrefix[] = L"Local\\VantrelDriverProbe-";
inline constexpr unsigned kSectionSize = 256 * 1024;

// A query's arguments, where it has some: NUL-terminated ASCII text the driver
// writes at this offset of the section before it sends the probe message.
inline constexpr unsigned kRequestOffset = kSectionSize / 2;

// lParam of the probe message; wParam carries the driver's process id.
enum Query : long {
    kQueryMenu = 1,          // the menu bar of the window the message was sent to
    kQueryIconKind = 2,      // the icon of the message box the message was sent to
    kQueryFonts = 3,         // the resolution and the fonts of the main window and its controls
    kQueryDpiChanged = 4,    // send the main window WM_DPICHANGED; request "<dpi> <l> <t> <r> <b>"
    kQueryMove = 5,          // move the main window (same size); request "<x> <y>"
    kQueryHighContrast = 6,  // high contrast as the program sees it; request in theme_probe.h
    kQueryDialogLayout = 7,  // the dialog the message was sent to: resolution, font, controls in dialog units
    kQueryTaskbar = 8,       // the stand-in taskbar list and its recorded calls; request in taskbar_probe.h
};

}  // namespace driver::probe
