#include "tests/support/child_process.h"

#include <fcntl.h>
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
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           std::u16string_view stdoutPath)
    : state_(std::make_unique<State>()) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string outPath = stdoutPath.empty() ? std::string() : platform::posix::ToNativePath(stdoutPath);
    if (!outPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    const int error = posix_spawn(&state_->pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
}

ChildProcess::~ChildProcess() { Kill(); }

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
    while (waitpid(state_->pid, &status, 0) < 0 && errno == EINTR) {
    }
    state_->pid = -1;
}

std::string PathArgument(std::u16string_view path) { return platform::posix::ToNativePath(path); }

}  // namespace testing_support
