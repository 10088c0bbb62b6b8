#include "tests/support/child_process.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "platform/strings.h"
#include "platform/win32/wide.h"

namespace testing_support {

namespace {

// The build names programs by Unix paths when the tests run under Wine, whose
// drive Z: is the Unix root.
std::wstring ProgramPath(const std::string& program) {
    std::wstring path = platform::win32::ToWchar(platform::Utf8ToWide(program));
    if (!path.empty() && path.front() == L'/') path.insert(0, L"Z:");
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// The quoting that CommandLineToArgvW and the C runtime undo: backslashes are
// literal unless they precede a quote, where they are doubled.
std::wstring QuoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Starts the program; `output` (inheritable, or INVALID_HANDLE_VALUE to inherit
// ours) becomes its standard output and is closed here.
HANDLE Start(const std::string& program, const std::vector<std::string>& arguments, HANDLE output) {
    const std::wstring path = ProgramPath(program);
    std::wstring commandLine = QuoteArgument(path);
    for (const std::string& argument : arguments) {
        commandLine += L" " + QuoteArgument(platform::win32::ToWchar(platform::Utf8ToWide(argument)));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    const DWORD error = GetLastError();
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (!started) throw std::runtime_error("cannot start " + program + ": error " + std::to_string(error));
    CloseHandle(info.hThread);
    return info.hProcess;
}

}  // namespace

struct ChildProcess::State {
    HANDLE process = nullptr;
    HANDLE outputPipe = nullptr;  // read end, with PipedOutput
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           std::u16string_view stdoutPath)
        : state_(std::make_unique<State>()) {
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!stdoutPath.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        // CreateFileW fails with INVALID_HANDLE_VALUE, not null.
        output =
            CreateFileW(platform::win32::ToWchar(stdoutPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create the output file");
    }
    state_->process = Start(program, arguments, output);
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, PipedOutput)
        : state_(std::make_unique<State>()) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("cannot create a pipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);  // only the child's end is inherited
    state_->outputPipe = readEnd;
    state_->process = Start(program, arguments, writeEnd);
}

ChildProcess::~ChildProcess() {
    Kill();
    if (state_->outputPipe != nullptr) CloseHandle(state_->outputPipe);
}

// An anonymous pipe cannot be waited on: it is looked at every few milliseconds.
namespace {

// The test process takes part in the console events it sends (they go to
// every process on the console): it lets them pass. Registered once and
// kept, since the event reaches it on a thread of its own, later.
BOOL WINAPI PassConsoleEvent(DWORD) { return TRUE; }

}  // namespace

// Ctrl+C (interrupt) or Ctrl+Break, pressed as a user at the program's own
// console would: the test process joins that console for the moment it takes.
void ChildProcess::AskToStop(bool interrupt) {
    static const bool passing = SetConsoleCtrlHandler(PassConsoleEvent, TRUE) != FALSE;
    const DWORD id = GetProcessId(state_->process);
    FreeConsole();
    const bool attached = AttachConsole(id) != FALSE;
    const bool sent = attached && passing && GenerateConsoleCtrlEvent(interrupt ? CTRL_C_EVENT : CTRL_BREAK_EVENT, 0);
    const DWORD error = GetLastError();
    if (attached) FreeConsole();
    if (!sent) throw std::runtime_error("cannot send a console event to the program: error " + std::to_string(error));
}

std::string ChildProcess::ReadOutput(int quietMs) {
    std::string output;
    if (state_->outputPipe == nullptr) return output;
    char buffer[65536];
    for (int quiet = 0; quiet < quietMs;) {
        DWORD available = 0;
        if (!PeekNamedPipe(state_->outputPipe, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available == 0) {
            Sleep(10);
            quiet += 10;
            continue;
        }
        DWORD count = 0;
        if (!ReadFile(state_->outputPipe, buffer, std::min<DWORD>(available, sizeof buffer), &count, nullptr)) break;
        output.append(buffer, count);
        quiet = 0;
    }
    return output;
}

bool ChildProcess::Running() {
    return state_->process != nullptr && WaitForSingleObject(state_->process, 0) == WAIT_TIMEOUT;
}

int ChildProcess::WaitForExit(int timeoutMs) {
    if (state_->process == nullptr) return -1;
    if (WaitForSingleObject(state_->process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(state_->process, &code);
    return static_cast<int>(code);
}

void ChildProcess::Kill() {
    if (state_->process == nullptr) return;
    TerminateProcess(state_->process, 1);
    WaitForSingleObject(state_->process, INFINITE);
    CloseHandle(state_->process);
    state_->process = nullptr;
}

std::string PathArgument(std::u16string_view path) { return platform::WideToUtf8(path); }

}  // namespace testing_support
