#pragma once
// High contrast for the program under test, from inside it. Wine always
// reports high contrast off and refuses to set it, so the probe answers the
// program's own question instead: it points the program's import of
// SystemParametersInfoW at a function that reports high contrast on when asked
// (and passes every other question on), sets the system colours of a
// high-contrast theme and sends the window the messages the system sends when
// the user switches the theme. The program itself is the shipped one.

#include <windows.h>

#include <string>

namespace driver {

// `request`: "<on|off> <black|white|keep> <both|syscolor|setting>": the mode
// the program is told; the colours set (a theme, or "keep" the present ones;
// "off" with a theme puts back the colours from before the first change);
// and which notification the window gets (WM_SYSCOLORCHANGE,
// WM_SETTINGCHANGE with SPI_SETHIGHCONTRAST, or both, in that order).
// Answers {"patched":true,"highContrast":..,"programSees":..,"colours":{"window":"#rrggbb",
// "windowText":..,"highlight":..,"highlightText":..}} or {"error":"..."}.
std::string SetHighContrastJson(HWND main, const char* request);

}  // namespace driver
