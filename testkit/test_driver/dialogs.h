#pragma once
// Message boxes and other dialogs of the program under test: finding, reading,
// typing into and pressing their buttons.

#include <windows.h>

#include <string>
#include <string_view>

#include "json_writer.h"
#include "session.h"

namespace driver {

// Waits up to `seconds` for a visible dialog of the program whose title starts with
// `titlePrefix` (any title when empty); remembers it in the session. Finds the
// program's process by name when no main window was found yet.
HWND WaitForDialog(Session& session, double seconds, std::wstring_view titlePrefix);

// The remembered dialog if still open, else the first open one, else null.
HWND FindOpenDialog(Session& session, std::wstring_view titlePrefix);

// The dialog to act on: the one remembered if still open, else the first open one.
HWND CurrentDialog(Session& session, std::wstring_view titlePrefix);

// Title, owner's caption, static texts joined by line breaks, buttons, icon kind
// ("none" for a message box without icon) and edit fields.
void WriteDialog(HWND dialog, JsonWriter& json);

// Clicks the button whose caption (without "&") equals `caption`, ignoring case,
// or whose control id is given as "#<id>"; waits up to 2 s for the dialog to close.
void PressDialogButton(HWND dialog, std::wstring_view caption, JsonWriter& json);

// Types `text` into the dialog's first edit field, one character message each.
void TypeIntoDialog(HWND dialog, std::wstring_view text);

}  // namespace driver
