#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/unique_handle.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

struct ProcessHandleTraits {
    using Type = HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using ProcessHandle = UniqueHandle<ProcessHandleTraits>;

// Keep the process handle, wait for DDE conversations to finish, expand
// %variables% in the file and folder, and let the shell show no error dialogs.
constexpr ULONG kStartMask =
    SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
static_assert(kStartMask == 0x740);

// The top bit of GetAsyncKeyState: the key is down at this moment. The low bit
// (pressed since the last call) is shared with every other caller and not used.
bool KeyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

PumpStep PumpThreadMessage() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return PumpStep::Idle;
    if (message.message == WM_QUIT) {
        // Leave the request for the main message loop: posting it again (it comes
        // after every other pending message) and ending the wait lets the running
        // command return and the program end as asked.
        PostQuitMessage(static_cast<int>(message.wParam));
        return PumpStep::Quit;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return PumpStep::Dispatched;
}

bool RunAndWait(std::u16string_view file, std::u16string_view parameters, std::u16string_view verb, int showCommand,
                std::u16string_view folder, const MessagePump& pump) {
    const std::wstring wideFile = win32::ToWchar(file);
    const std::wstring wideParameters = win32::ToWchar(parameters);
    const std::wstring wideVerb = win32::ToWchar(verb);
    const std::wstring wideFolder = win32::ToWchar(folder);  // empty: "" rather than a null pointer

    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = kStartMask;
    info.hwnd = nullptr;
    info.lpVerb = wideVerb.c_str();
    info.lpFile = wideFile.c_str();
    info.lpParameters = wideParameters.c_str();
    info.lpDirectory = wideFolder.c_str();
    info.nShow = showCommand;
    if (!ShellExecuteExW(&info)) return false;

    // Owned from here on: closed on every way out, a throwing window procedure included.
    const ProcessHandle process(info.hProcess);
    // Fails at once for programs without a message queue (console programs); not examined.
    WaitForInputIdle(process.get(), INFINITE);
    RunWaitLoop({
        .waitForEnd = [&process] { return WaitForSingleObject(process.get(), 10) != WAIT_TIMEOUT; },
        .escapeDown = [] { return KeyDown(VK_ESCAPE); },
        .shiftDown = [] { return KeyDown(VK_SHIFT); },
        .pump = pump,
    });
    return true;
}

std::u16string ExecutablePath() {
    // GetModuleFileNameW truncates silently; a full buffer means "try larger".
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return win32::FromWchar(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
