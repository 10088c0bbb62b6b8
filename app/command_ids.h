#pragma once
// Stable identifiers of the main window's controls and menu entries. The window
// uses them as control ids (GetDlgItem) and menu command ids (WM_COMMAND);
// automation and the end-to-end driver use them to find and drive the window.
// Plain constants, no <windows.h>, so any program can include this header.

#include "app/version.h"

namespace app::ids {

// The main window: found by its class name or its caption.
inline constexpr wchar_t kMainWindowClass[] = L"TForm1";
inline constexpr wchar_t kMainWindowCaption[] = L"" VANTREL_WINDOW_CAPTION;

// Child controls (GetDlgItem on the main window for Panel2, on Panel2 for the others;
// GetDlgItem does not search grandchildren, so FindWindowEx/EnumChildWindows or
// GetDlgItem(GetDlgItem(main, kPanel2), ...) reach the list and the button).
inline constexpr int kPanel2 = 1003;
inline constexpr int kListBox1 = 1001;
inline constexpr int kUploadButton = 1002;

// Menu entries with a command id. The top-level popups have none: they are
// reached by position in the menu bar.
inline constexpr int kMenuDeu = 2001;
inline constexpr int kMenuEng = 2002;
inline constexpr int kMenuFra = 2003;
inline constexpr int kMenuExit = 2004;
inline constexpr int kMenuSelAll = 2011;
inline constexpr int kMenuInvAll = 2012;
inline constexpr int kMenuHint1 = 2013;
inline constexpr int kMenuHint2 = 2014;
inline constexpr int kMenuCopyR = 2021;
inline constexpr int kMenuDorvik = 2022;
inline constexpr int kMenuTamsel = 2023;
inline constexpr int kMenuTotal = 2031;

// Positions in the menu bar (GetSubMenu / GetMenuItemInfoW by position).
inline constexpr int kMenuPosition = 0;       // "Menu": MenuDeu, MenuEng, MenuFra, N1, MenuExit
inline constexpr int kMenuEditPosition = 1;   // MenuSelAll, MenuInvAll, N2, MenuHint1, MenuHint2
inline constexpr int kMenuAboutPosition = 2;  // MenuCopyR, MenuDorvik, MenuTamsel
inline constexpr int kN3Position = 3;         // separator, disabled
inline constexpr int kMenuTotalPosition = 4;  // "Total: N Apps", disabled, id kMenuTotal

}  // namespace app::ids
