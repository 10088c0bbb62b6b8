#pragma once
// The console form's stop: asked by the user (Ctrl+C; on POSIX SIGINT or
// SIGTERM, on Windows also Ctrl+Break and the console's closing) or by the
// program itself (the service failed). Either way the waiting thread makes the
// orderly stop: the server ends and the queued log lines are written.
// posix/console_stop.cpp and win32/console_stop.cpp implement it; one at a
// time per process.

namespace catalogue {

class ConsoleStop {
public:
    // Installs the handlers (on POSIX it also ignores SIGPIPE, so that an
    // output nobody reads any more is an error to the writer, not the end of
    // the process). Throws std::runtime_error when that fails.
    ConsoleStop();
    ~ConsoleStop();  // the system's handling again
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;

    // Asks for the stop from any thread.
    void Request();
    // Waits until the stop is asked; true when the user asked.
    bool Wait();
};

}  // namespace catalogue
