#pragma once
// What the probe reads and does about the window's display resolution, inside
// the program under test: fonts are GDI objects of that process, and
// WM_DPICHANGED carries a pointer that no other process can hand over.

#include <windows.h>

#include <string>

namespace driver {

// {"dpi":{...},"main":font|null,"panel":...,"list":...,"button":...}: the
// window's resolution as the system tells the program (GetDpiForWindow where
// there is one, LOGPIXELSY of the window's and the screen's DC, the thread's
// awareness), and the font each window answers WM_GETFONT with: LOGFONT
// height, weight, italic flag and face name (null for no font).
std::string FontsJson(HWND main);

// Sends WM_DPICHANGED to `main` as the system does when a window moves to a
// monitor of another scale: `request` is "<dpi> <left> <top> <right> <bottom>"
// (the suggested outer rectangle, screen coordinates). Answers
// {"sent":true,"result":n} or {"sent":false,"error":"..."}.
std::string SendDpiChangedJson(HWND main, const char* request);

// Moves `main` (same size) to the screen point of `request` ("<x> <y>"), from
// the window's own thread: Wine maps a position that another process sets
// through its window's resolution, so a move from outside lands elsewhere.
// Answers {"x":..,"y":..,"w":..,"h":..}: where the window went.
std::string MoveWindowJson(HWND main, const char* request);

// The dialog `dialog` as its program lays it out: its resolution, the font it
// answers WM_GETFONT with, its dialog base units (MapDialogRect of 4 x 8 dialog
// units), its client area and window rectangle, and each control's class,
// text and rectangle in the dialog's client coordinates:
// {"dpi":n,"font":font|null,"base":{"x":..,"y":..},"client":{"w":..,"h":..},
//  "window":{...},"controls":[{"class":"..","text":"..","x":..,"y":..,"w":..,"h":..}]}.
std::string DialogLayoutJson(HWND dialog);

}  // namespace driver
