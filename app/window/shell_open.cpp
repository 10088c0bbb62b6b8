#include "app/window/shell_open.h"

#include <shellapi.h>

#include "app/menu_texts.h"
#include "platform/win32/wide.h"

namespace app::window {

void ShellOpen(HWND owner, std::u16string_view address) {
    ShellExecuteW(owner, platform::win32::ToWchar(kOpenVerb).c_str(), platform::win32::ToWchar(address).c_str(),
                  nullptr, nullptr, SW_SHOW);
}

}  // namespace app::window
