#include "service/console_stop.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace catalogue {

namespace {

// A pipe: the signal handler (or Request) writes one byte, Wait reads it.
// write() is safe in a signal handler; nothing else is done there.
int g_readEnd = -1;
int g_writeEnd = -1;
constexpr char kByUser = 'u';
constexpr char kByProgram = 'p';

void Say(char who) {
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &who, 1);
    errno = saved;
}

extern "C" void OnStopSignal(int) { Say(kByUser); }

void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(signal, &action, nullptr) != 0) throw std::runtime_error("sigaction failed");
}

}  // namespace

ConsoleStop::ConsoleStop() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    ::fcntl(g_writeEnd, F_SETFL, O_NONBLOCK);  // a full pipe already says it
    Handle(SIGPIPE, SIG_IGN);
    Handle(SIGINT, OnStopSignal);
    Handle(SIGTERM, OnStopSignal);
}

ConsoleStop::~ConsoleStop() {
    Handle(SIGINT, SIG_DFL);
    Handle(SIGTERM, SIG_DFL);
    ::close(g_readEnd);
    ::close(g_writeEnd);
    g_readEnd = g_writeEnd = -1;
}

void ConsoleStop::Request() { Say(kByProgram); }

bool ConsoleStop::Wait() {
    char who = 0;
    for (;;) {
        const ssize_t count = ::read(g_readEnd, &who, 1);
        if (count == 1) return who == kByUser;
        if (count < 0 && errno == EINTR) continue;
        return false;  // cannot happen while the write end is open
    }
}

}  // namespace catalogue
