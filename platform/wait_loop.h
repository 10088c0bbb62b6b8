#pragma once
// The loop that waits for a started program while the calling thread's window
// messages keep flowing. Both system layers run this one loop; they supply the
// process wait, the key states and the message pump.

#include <functional>

namespace platform {

// What one step of the message pump did.
enum class PumpStep {
    Idle,        // no message was pending
    Dispatched,  // one message was removed and handled
    Quit,        // the quit request was seen (and left queued for the main loop)
};

// Removes one pending message of the calling thread and handles it.
using MessagePump = std::function<PumpStep()>;

struct WaitLoopHooks {
    std::function<bool()> waitForEnd;  // waits up to 10 ms; true once the program ended or the wait failed
    std::function<bool()> escapeDown;  // the Escape key is down now
    std::function<bool()> shiftDown;   // the Shift key is down now
    MessagePump pump;
};

// Until the program ends: wait up to 10 ms; leave when it ended or Escape is
// down; then pump while messages arrive and for as long as Shift is held. A
// quit request seen by the pump leaves the loop at once.
void RunWaitLoop(const WaitLoopHooks& hooks);

}  // namespace platform
