// vantrel-driver: drives and reads the program's real window from outside, through
// standard window messages and real input, one step after another.
//
//   vantrel-driver [--caption <text>] [--process <exe>] [--settle <ms>] step [args] ; step [args] ; ...
//
// Steps are separated by a lone ";" argument. Every step prints one line of JSON
// with "step" and "ok" (and "error" when it failed). The run stops at the first
// failing step: exit code 1; 2 for a usage error; 0 when every step succeeded.
// Before anything else it writes "vantrel-driver: started" to standard error.

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "json_writer.h"
#include "session.h"
#include "steps.h"

namespace {

constexpr char kStartedLine[] = "vantrel-driver: started";

void WriteTo(DWORD stream, const std::string& line) {
    const HANDLE out = GetStdHandle(stream);
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void WriteLine(const std::string& line) { WriteTo(STD_OUTPUT_HANDLE, line); }

// The driver reads and sets places and sizes in device pixels, as the program
// under test (per-monitor aware) sees them: a program that is not aware would
// have the system map its coordinates to 96 DPI and back, and under Wine some
// calls are mapped and some are not.
void BecomeDpiAware() {
    using SetContextFunction = BOOL(WINAPI*)(HANDLE);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto setContext = user32 ? reinterpret_cast<SetContextFunction>(reinterpret_cast<void*>(
                                         GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                                   : nullptr;
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is (HANDLE)-4.
    if (setContext && setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
    SetProcessDPIAware();
}

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    wchar_t** raw = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(raw[i]);
    LocalFree(raw);
    return args;
}

struct StepCall {
    std::wstring name;
    driver::StepArgs args;
};

// Reads the leading options into the session; returns false on a bad option.
bool ReadOptions(std::vector<std::wstring>& args, driver::Session& session) {
    size_t used = 0;
    while (used + 1 < args.size() && args[used].starts_with(L"--")) {
        const std::wstring& option = args[used];
        const std::wstring& value = args[used + 1];
        if (option == L"--caption")
            session.caption = value;
        else if (option == L"--process")
            session.processName = value;
        else if (option == L"--settle")
            session.settleMs = static_cast<DWORD>(_wtoi(value.c_str()));
        else
            return false;
        used += 2;
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

std::vector<StepCall> SplitSteps(const std::vector<std::wstring>& args) {
    std::vector<StepCall> calls;
    bool startNew = true;
    for (const auto& arg : args) {
        if (arg == L";") {
            startNew = true;
            continue;
        }
        if (startNew) {
            calls.push_back({arg, {}});
            startNew = false;
        } else {
            calls.back().args.push_back(arg);
        }
    }
    return calls;
}

int Usage() {
    driver::JsonWriter json;
    json.Field("step", "usage").Field("ok", false);
    json.Field("error",
               L"usage: vantrel-driver [--caption <text>] [--process <exe>] [--settle <ms>] "
               L"step [args] ; step [args] ...\n" +
                   driver::StepUsage());
    WriteLine(json.Finish());
    return 2;
}

// Runs one step and prints its line; false when it failed. A failed step's line
// holds only its name and the error: what it had read so far may be half-written.
bool RunOne(driver::Session& session, const StepCall& call) {
    std::wstring error;
    try {
        driver::JsonWriter json;
        json.Field("step", call.name);
        driver::RunStep(session, call.name, call.args, json);
        json.Field("ok", true);
        WriteLine(json.Finish());
        return true;
    } catch (const driver::StepError& failure) {
        error = failure.Message();
    } catch (const std::exception& failure) {
        const std::string what = failure.what();
        error.assign(what.begin(), what.end());
    }
    driver::JsonWriter json;
    json.Field("step", call.name).Field("ok", false).Field("error", error);
    WriteLine(json.Finish());
    return false;
}

}  // namespace

int wmain() {
    // Tells a run that Wine never brought this far (nothing was done: it may
    // be started again) from one that ended during a step.
    WriteTo(STD_ERROR_HANDLE, kStartedLine);
    BecomeDpiAware();
    driver::Session session;
    std::vector<std::wstring> args = CommandLineArguments();
    if (!ReadOptions(args, session)) return Usage();
    const auto calls = SplitSteps(args);
    if (calls.empty()) return Usage();
    for (const auto& call : calls)
        if (!RunOne(session, call)) return 1;
    return 0;
}
