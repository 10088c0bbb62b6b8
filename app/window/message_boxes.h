#pragma once
// The program's message boxes, owned by the main window and titled with the
// application title.

#include <windows.h>

#include <exception>
#include <string_view>

namespace app::window {

// The standard error box: error icon, OK, "." appended per ErrorBoxText.
void ShowErrorBox(HWND owner, std::u16string_view message);

// The message of whatever was thrown, shown in the standard error box.
void ShowExceptionBox(HWND owner, std::exception_ptr error);

// A plain message: OK only, no icon.
void ShowPlainMessage(HWND owner, std::u16string_view message);

}  // namespace app::window
