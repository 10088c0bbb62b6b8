#include "platform/wait_loop.h"

namespace platform {
namespace {

// Pumps until no message is pending and Shift is up. False when the pump saw a
// quit request, which ends the wait.
bool PumpPending(const WaitLoopHooks& hooks) {
    for (;;) {
        const PumpStep step = hooks.pump();
        if (step == PumpStep::Quit) return false;
        // Shift held keeps the pump running without looking at the program or Escape.
        if (step == PumpStep::Idle && !hooks.shiftDown()) return true;
    }
}

}  // namespace

void RunWaitLoop(const WaitLoopHooks& hooks) {
    for (;;) {
        if (hooks.waitForEnd()) return;
        if (hooks.escapeDown()) return;
        if (!PumpPending(hooks)) return;
    }
}

}  // namespace platform
