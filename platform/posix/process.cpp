#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/posix/native_path.h"

extern char** environ;

namespace platform {
namespace {

// Programs whose wait was left before they ended. They are reaped when they end,
// checked at the start of every later run, so none stays a zombie for long.
std::vector<pid_t>& AbandonedChildren() {
    static std::vector<pid_t> children;
    return children;
}

void ReapAbandoned() {
    auto& children = AbandonedChildren();
    std::erase_if(children, [](pid_t child) {
        int status = 0;
        return waitpid(child, &status, WNOHANG) != 0;  // ended and reaped, or no longer ours
    });
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Starts the program; -1 when it cannot be started (glibc reports a failed exec
// as the spawn's own error).
pid_t StartProgram(std::u16string_view file, std::u16string_view parameters, std::u16string_view folder) {
    std::vector<std::string> arguments{posix::ToNativePath(UnquoteFileName(file))};
    if (arguments.front().empty()) return -1;
    for (const std::u16string& argument : SplitCommandLine(parameters)) {
        arguments.push_back(posix::ToNativePath(argument));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnActions actions;
    const std::string nativeFolder = posix::ToNativePath(folder);
    if (!nativeFolder.empty() && posix_spawn_file_actions_addchdir_np(actions.get(), nativeFolder.c_str()) != 0) {
        return -1;
    }
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ) != 0) return -1;
    return child;
}

// True once the child has ended and was reaped, or when it cannot be waited for.
bool ChildEnded(pid_t child) {
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(child, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result != 0;
}

}  // namespace

PumpStep PumpThreadMessage() { return PumpStep::Idle; }

bool RunAndWait(std::u16string_view file, std::u16string_view parameters, std::u16string_view /*verb*/,
                int /*showCommand*/, std::u16string_view folder, const MessagePump& pump) {
    ReapAbandoned();
    const pid_t child = StartProgram(file, parameters, folder);
    if (child < 0) return false;

    bool ended = false;
    // A child whose wait is left early (quit, or a throwing pump) is reaped later.
    struct Abandon {
        pid_t child;
        const bool& ended;
        ~Abandon() {
            if (!ended) AbandonedChildren().push_back(child);
        }
    } abandon{child, ended};

    RunWaitLoop({
        .waitForEnd =
            [&] {
                if (!ChildEnded(child)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    if (!ChildEnded(child)) return false;
                }
                ended = true;
                return true;
            },
        .escapeDown = [] { return false; },
        .shiftDown = [] { return false; },
        .pump = pump,
    });
    return true;
}

std::u16string ExecutablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return posix::FromNativePath(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
