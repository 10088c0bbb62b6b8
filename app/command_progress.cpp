#include "app/command_progress.h"

namespace app {

void CommandProgress::Start(int rowCount) {
    if (display_ == nullptr || rowCount <= 0 || showing_) return;
    total_ = static_cast<std::uint64_t>(rowCount);
    showing_ = true;
    display_->ShowProgress(0, total_);
}

void CommandProgress::ReachRow(int row) {
    if (!showing_ || row < 0) return;
    const auto walked = static_cast<std::uint64_t>(row);
    // Asked again about an earlier row (or past the end): nothing moves back or beyond.
    if (walked > shown_ && walked <= total_) Show(walked);
}

void CommandProgress::Finish() {
    if (!showing_) return;
    showing_ = false;
    display_->ClearProgress();
}

void CommandProgress::Show(std::uint64_t completed) {
    shown_ = completed;
    display_->ShowProgress(completed, total_);
}

}  // namespace app
