#pragma once
// The taskbar button's progress as the program under test hands it over. Wine
// has no taskbar that shows progress, so the probe stands in for the shell:
// it points the program's import of CoCreateInstance at a function that hands
// out a recording ITaskbarList3 for CLSID_TaskbarList (every other class goes
// to the real one) and announces the button as the shell does.

#include <windows.h>

#include <string>

namespace driver {

// `request`: "install" (the stand-in only, no announcement yet), "announce"
// (install, then post the window "TaskbarButtonCreated") or "calls" (what was
// recorded). Answers {"installed":..,"announced":..,"calls":["value c/t" |
// "state none|normal|..." | "init", ...]} or {"error":"..."}.
std::string TaskbarJson(HWND main, const char* request);

}  // namespace driver
