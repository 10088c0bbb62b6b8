#include "bench/service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace bench {

ServiceProcess::ServiceProcess(const std::string& exe, const std::vector<std::string>& options) {
    const std::string portFile = "/tmp/catalogue-bench-" + std::to_string(getpid()) + ".port";
    std::remove(portFile.c_str());
    std::vector<std::string> args = {exe, "--port", "0", "--port-file", portFile};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + exe);
    for (int i = 0; i < 500 && port_ == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port) port_ = static_cast<std::uint16_t>(port);
    }
    std::remove(portFile.c_str());
    if (port_ == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("the service did not start");
    }
}

ServiceProcess::~ServiceProcess() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

long ServiceProcess::PeakKib() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

long ServiceProcess::ContextSwitches() const {
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

}  // namespace bench
