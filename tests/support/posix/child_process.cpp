#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/posix/native_path.h"

extern char** environ;

namespace testing_support {

struct ChildProcess::State {
    pid_t pid = -1;
    int exitCode = -1;
    int outputPipe = -1;  // read end, with PipedOutput
};

namespace {

// Starts the program with `actions` applied to its descriptors.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const posix_spawn_file_actions_t& actions) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    return pid;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           std::u16string_view stdoutPath)
        : state_(std::make_unique<State>()) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string outPath = stdoutPath.empty() ? std::string() : platform::posix::ToNativePath(stdoutPath);
    if (!outPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    try {
        state_->pid = Spawn(program, arguments, actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, PipedOutput)
        : state_(std::make_unique<State>()) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);  // dup2 clears close-on-exec
    try {
        state_->pid = Spawn(program, arguments, actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        close(ends[0]);
        close(ends[1]);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    state_->outputPipe = ends[0];
}

ChildProcess::~ChildProcess() {
    Kill();
    if (state_->outputPipe >= 0) close(state_->outputPipe);
}

void ChildProcess::AskToStop(bool interrupt) {
    if (state_->pid >= 0) kill(state_->pid, interrupt ? SIGINT : SIGTERM);
}

std::string ChildProcess::ReadOutput(int quietMs) {
    std::string output;
    if (state_->outputPipe < 0) return output;
    char buffer[65536];
    for (;;) {
        pollfd entry{state_->outputPipe, POLLIN, 0};
        const int ready = poll(&entry, 1, quietMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t count = read(state_->outputPipe, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        output.append(buffer, static_cast<std::size_t>(count));
    }
    return output;
}

bool ChildProcess::Running() {
    if (state_->pid < 0) return false;
    int status = 0;
    if (waitpid(state_->pid, &status, WNOHANG) == 0) return true;
    state_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    state_->pid = -1;
    return false;
}

int ChildProcess::WaitForExit(int timeoutMs) {
    for (int waited = 0; Running(); waited += 10) {
        if (waited >= timeoutMs) return -1;
        usleep(10000);
    }
    return state_->exitCode;
}

void ChildProcess::Kill() {
    if (state_->pid < 0) return;
    kill(state_->pid, SIGKILL);
    int status = 0;
    while (waitpid(state_->pid, &status, 0) < 0 && errno == EINTR) {}
    state_->pid = -1;
}

std::string PathArgument(std::u16string_view path) { return platform::posix::ToNativePath(path); }

}  // namespace testing_support
