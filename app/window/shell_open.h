#pragma once
// Asking the shell to open an address with the program associated with it.

#include <windows.h>

#include <string_view>

namespace app::window {

// ShellExecuteW with the verb "OPEN", no parameters, no working folder and
// SW_SHOW. The result is not looked at: what cannot be opened shows nothing.
void ShellOpen(HWND owner, std::u16string_view address);

}  // namespace app::window
