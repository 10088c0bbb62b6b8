#pragma once
// The window's taskbar button as a progress display (ITaskbarList3). The shell
// offers the interface only once it has announced the button with the
// registered message "TaskbarButtonCreated"; before that, and where the shell
// has no such interface, nothing is shown and nothing is called.

#include <windows.h>
#include <shobjidl.h>

#include "app/command_progress.h"
#include "app/window/win32_handles.h"

namespace app::window {

// The name of the message the shell sends a window when its taskbar button exists.
inline constexpr wchar_t kTaskbarButtonCreatedMessage[] = L"TaskbarButtonCreated";

// The shell's taskbar list, initialised; null where the shell has none.
ComPointer<ITaskbarList3> CreateTaskbarList();

class TaskbarProgress final : public ProgressDisplay {
public:
    // The button of `window`, shown through `taskbar`, which it takes over
    // (null: shows nothing). A second announcement replaces the first
    // (the shell was restarted).
    void Connect(HWND window, ComPointer<ITaskbarList3> taskbar);
    bool Connected() const { return static_cast<bool>(taskbar_); }

    void ShowProgress(std::uint64_t completed, std::uint64_t total) override;
    void ClearProgress() override;

private:
    HWND window_ = nullptr;
    ComPointer<ITaskbarList3> taskbar_;
};

}  // namespace app::window
