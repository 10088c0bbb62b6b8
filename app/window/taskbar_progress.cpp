#include "app/window/taskbar_progress.h"

#include <utility>

namespace app::window {

ComPointer<ITaskbarList3> CreateTaskbarList() {
    ITaskbarList3* taskbar = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&taskbar)))) {
        return {};
    }
    ComPointer<ITaskbarList3> owned(taskbar);
    // The list must be initialised before its other methods are called.
    if (FAILED(owned.get()->HrInit())) return {};
    return owned;
}

void TaskbarProgress::Connect(HWND window, ComPointer<ITaskbarList3> taskbar) {
    window_ = window;
    taskbar_ = std::move(taskbar);
}

void TaskbarProgress::ShowProgress(std::uint64_t completed, std::uint64_t total) {
    // A value on a button without progress turns it into a normal progress bar.
    if (taskbar_) taskbar_.get()->SetProgressValue(window_, completed, total);
}

void TaskbarProgress::ClearProgress() {
    if (taskbar_) taskbar_.get()->SetProgressState(window_, TBPF_NOPROGRESS);
}

}  // namespace app::window
