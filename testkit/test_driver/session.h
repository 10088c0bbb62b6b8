#pragma once
// What the steps of one driver run share: the window under test, its process and
// the dialog found last, plus the run's options.

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "handles.h"

namespace driver {

// A step that cannot do what it was asked throws this; the run reports the
// message on the step's line and stops with exit code 1.
class StepError : public std::runtime_error {
public:
    explicit StepError(const std::wstring& message) : std::runtime_error("step failed"), message_(message) {}
    const std::wstring& Message() const { return message_; }

private:
    std::wstring message_;
};

struct Session {
    std::wstring caption = app::ids::kMainWindowCaption;
    std::wstring processName = L"vantrel.exe";
    DWORD settleMs = 300;  // pause after input before the next step looks

    HWND main = nullptr;
    DWORD pid = 0;
    DWORD thread = 0;
    HWND dialog = nullptr;
    std::vector<KernelHandle> heldFiles;  // files kept open until the run ends

    // The main window: the one found by an earlier step, else the top-level window
    // with the caption, found now. Throws StepError when there is none.
    HWND RequireMain();
    void AdoptMain(HWND window);
};

}  // namespace driver
