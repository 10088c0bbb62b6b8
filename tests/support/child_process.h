#pragma once
// A program started by a test and ended with it: the real service process that
// end-to-end style tests talk to.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Asks for the child's standard output to be a pipe that the test reads only
// when it chooses to (ReadOutput): until then the child's writes fill the pipe
// and then block, as a console nobody reads does.
struct PipedOutput {};

class ChildProcess {
public:
    // Starts `program` (a path as the build system names it) with UTF-8
    // arguments. Its standard output goes to `stdoutPath` (a Windows-style
    // path) when given, else it is inherited. Throws std::runtime_error when
    // the program cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 std::u16string_view stdoutPath = {});
    // The same, with standard output into a pipe (see PipedOutput).
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments, PipedOutput);
    ~ChildProcess();  // Kill()
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Whether the program is still running.
    bool Running();
    // Waits at most timeoutMs for the program to end; its exit code, or -1
    // when it is still running.
    int WaitForExit(int timeoutMs);
    // Ends the program at once and waits for it. Safe to call twice.
    void Kill();
    // Asks the program to end as a user at its console would: SIGTERM, or
    // SIGINT (Ctrl+C) when `interrupt`; on Windows Ctrl+Break, or Ctrl+C,
    // sent to the program's console. Throws std::runtime_error when it cannot.
    void AskToStop(bool interrupt);

    // With PipedOutput: what the program has written to its standard output,
    // read until nothing more has come for quietMs.
    std::string ReadOutput(int quietMs);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A Windows-style path of a test folder as the started program must be given
// it on the command line (native form on POSIX).
std::string PathArgument(std::u16string_view path);

}  // namespace testing_support
