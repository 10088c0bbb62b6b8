#pragma once
// Starting another program and waiting for it while the window stays alive, and
// facts about this program's own process.

#include <string>
#include <string_view>

#include "platform/wait_loop.h"

namespace platform {

// One step of the calling thread's own message pump: removes one pending window
// message and translates and dispatches it. A quit request is not swallowed: it
// is posted again with the same exit code and reported as PumpStep::Quit. POSIX
// has no window messages: always PumpStep::Idle.
PumpStep PumpThreadMessage();

// Starts `file` with `parameters` through the shell (verb, show command such as
// 0 for hidden, working folder; an empty folder means the caller's) and waits
// until it ends, running `pump` between checks every 10 ms. Holding Escape
// abandons the wait (the program goes on running); a quit request seen by the
// pump ends the wait too. True when the program was started, however it ended;
// false when it could not be started. Blocks; the process handle is closed on
// every way out.
// POSIX: the program is started directly: `file` unquoted, `parameters` split
// by the Windows command-line rules, "\" in every argument and in the folder
// turned into "/"; verb and show command are not used; no keyboard is read.
bool RunAndWait(std::u16string_view file, std::u16string_view parameters, std::u16string_view verb, int showCommand,
                std::u16string_view folder, const MessagePump& pump = PumpThreadMessage);

// The full path of this program's executable (GetModuleFileNameW; on POSIX the
// link /proc/self/exe, in the program's "\" form).
std::u16string ExecutablePath();

}  // namespace platform
