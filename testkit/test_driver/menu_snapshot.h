#pragma once
// Reads a menu of the calling process into JSON. Runs inside the program under
// test (from the probe hook): menus cannot be read from another process under Wine.

#include <windows.h>

#include <string>

namespace driver {

// {"items":[...],"total":"..."|null}: every entry with its caption (text before a
// tab), shortcut label (text after it, or null), command id (null for submenus),
// separator/disabled/checked/radio flags and, for submenus, its own "items".
// "total" is the caption of the entry with the total-count command id.
std::string MenuSnapshotJson(HMENU menu);

// {"icon":"error"|"warning"|"information"|"question"|"other"|"none"} for the
// visible icon control of a message box.
std::string IconKindJson(HWND dialog);

}  // namespace driver
