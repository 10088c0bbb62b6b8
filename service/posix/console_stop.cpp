#include "service/console_stop.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace catalogue {

namespace {

// A pipe: the signal handler (or Request) writes one byte, Wait reads it.
// write() is safe in a signal handler; nothing else is done there. SIGINT and
// SIGTERM are blocked in every thread (the threads started later take the
// mask over) but during Wait's ppoll, so the handler runs there, on the
// waiting thread, and never in the middle of another thread's work.
int g_readEnd = -1;
int g_writeEnd = -1;
sigset_t g_waitMask;  // the mask during the wait: the stop signals let through
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
    // Neither end waits: a full pipe already says it, and Wait reads only
    // what ppoll found.
    ::fcntl(g_writeEnd, F_SETFL, O_NONBLOCK);
    ::fcntl(g_readEnd, F_SETFL, O_NONBLOCK);
    Handle(SIGPIPE, SIG_IGN);
    Handle(SIGINT, OnStopSignal);
    Handle(SIGTERM, OnStopSignal);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stops, &g_waitMask);
    sigdelset(&g_waitMask, SIGINT);
    sigdelset(&g_waitMask, SIGTERM);
}

ConsoleStop::~ConsoleStop() {
    Handle(SIGINT, SIG_DFL);
    Handle(SIGTERM, SIG_DFL);
    ::pthread_sigmask(SIG_SETMASK, &g_waitMask, nullptr);
    ::close(g_readEnd);
    ::close(g_writeEnd);
    g_readEnd = g_writeEnd = -1;
}

void ConsoleStop::Request() { Say(kByProgram); }

bool ConsoleStop::Wait() {
    pollfd entry{g_readEnd, POLLIN, 0};
    for (;;) {
        if (::ppoll(&entry, 1, nullptr, &g_waitMask) < 0 && errno != EINTR) return false;
        char who = 0;
        if (::read(g_readEnd, &who, 1) == 1) return who == kByUser;
    }
}

}  // namespace catalogue
