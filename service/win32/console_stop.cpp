#include "service/console_stop.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace catalogue {

namespace {

HANDLE g_asked = nullptr;  // a manual-reset event
std::atomic<bool> g_byUser{false};

// Runs on a thread the system starts for the event. Ctrl+C and Ctrl+Break
// are answered at once: the waiting thread makes the orderly stop and ends
// the process. The console's closing (or the user's logoff, the system's
// shutdown) ends the process when the handler returns, so it waits for the
// orderly stop to end the process first.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    g_byUser = true;
    SetEvent(g_asked);
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return TRUE;
    default:
        Sleep(INFINITE);
        return TRUE;
    }
}

}  // namespace

ConsoleStop::ConsoleStop() {
    g_asked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_asked == nullptr) throw std::runtime_error("CreateEventW failed");
    if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        CloseHandle(g_asked);
        g_asked = nullptr;
        throw std::runtime_error("SetConsoleCtrlHandler failed");
    }
}

ConsoleStop::~ConsoleStop() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    // The event stays: a handler thread started just now may still set it.
}

void ConsoleStop::Request() { SetEvent(g_asked); }

bool ConsoleStop::Wait() {
    WaitForSingleObject(g_asked, INFINITE);
    return g_byUser.load();
}

}  // namespace catalogue
