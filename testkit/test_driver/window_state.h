#pragma once
// Reads what the main window shows, through standard messages (and the probe for
// the menu), into the fields of a JSON line.

#include <windows.h>

#include "json_writer.h"
#include "session.h"

namespace driver {

// Caption, class, visibility, styles, window and client rectangles, focus, panel,
// list (rows, selection, top row), button, menu bar and the total entry.
void WriteWindowState(Session& session, JsonWriter& json);

// The list rows and selection alone (cheap: no probe).
void WriteListState(HWND list, JsonWriter& json);

// The name under which a control appears in "focus": list, button, panel, main,
// a dialog's own controls by class, or "none".
std::string FocusName(Session& session);

}  // namespace driver
