// The program entry: the application, its one window and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/window/form1.h"
#include "app/window/message_boxes.h"

namespace {

// Version 6 of the common controls (asked for by the manifest) draws every
// control in the system's visual style once its classes are registered.
void InitializeApplication() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

int RunMessageLoop(app::window::TForm1& form) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    InitializeApplication();
    // The main window is a top-level window of its own, so it owns the taskbar
    // button; the application title "Vantrel" heads every message box.
    app::window::TForm1 form;
    try {
        form.Create(instance);
    } catch (...) {
        app::window::ShowExceptionBox(nullptr, std::current_exception());
        return 1;
    }
    form.Show(showCommand);
    return RunMessageLoop(form);
}
