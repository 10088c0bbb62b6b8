#include "app/window/message_boxes.h"

#include "app/messages.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "platform/win32/wide.h"

namespace app::window {
namespace {

void Show(HWND owner, std::u16string_view text, UINT type) {
    const std::wstring wideText = platform::win32::ToWchar(text);
    const std::wstring title = platform::win32::ToWchar(kApplicationTitle);
    MessageBoxW(owner, wideText.c_str(), title.c_str(), type);
}

}  // namespace

void ShowErrorBox(HWND owner, std::u16string_view message) { Show(owner, ErrorBoxText(message), MB_ICONERROR | MB_OK); }

void ShowExceptionBox(HWND owner, std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const platform::Exception& e) {
        ShowErrorBox(owner, e.Message());
    } catch (const std::exception& e) {
        ShowErrorBox(owner, platform::Utf8ToWide(e.what()));
    } catch (...) {
        ShowErrorBox(owner, u"Unknown error");
    }
}

void ShowPlainMessage(HWND owner, std::u16string_view message) { Show(owner, message, MB_OK); }

}  // namespace app::window
