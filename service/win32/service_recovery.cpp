#include "service/win32/service_recovery.h"

#include <windows.h>

#include <cstdint>
#include <iostream>
#include <vector>

#include "platform/unique_handle.h"
#include "service/win32/event_log.h"
#include "service/win32/windows_service.h"

namespace catalogue::win32 {

namespace {

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseServiceHandle(handle); }
};
using UniqueServiceHandle = platform::UniqueHandle<ServiceHandleTraits>;

struct KeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type key) noexcept { RegCloseKey(key); }
};
using UniqueKey = platform::UniqueHandle<KeyTraits>;

std::string Failed(const char* call, DWORD error) {
    return std::string(call) + " failed with error " + std::to_string(error);
}

// Restart, restart, then nothing more until the count is reset.
SC_ACTION g_actions[] = {
    {SC_ACTION_RESTART, kRestartDelayMs}, {SC_ACTION_RESTART, kRestartDelayMs}, {SC_ACTION_NONE, 0}};
constexpr DWORD kActionCount = sizeof g_actions / sizeof g_actions[0];

// Whether the control manager reports back the actions just set.
bool ReportsActions(SC_HANDLE service) {
    DWORD needed = 0;
    QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
    if (needed == 0) return false;  // ERROR_INVALID_LEVEL: it cannot say
    std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
    auto* actions = reinterpret_cast<SERVICE_FAILURE_ACTIONSW*>(buffer.data());
    if (!QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, reinterpret_cast<BYTE*>(buffer.data()),
                              static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)), &needed)) {
        return false;
    }
    return actions->dwResetPeriod == kFailureCountResetSeconds && actions->cActions == kActionCount;
}

// Where Windows keeps the actions: the service key's FailureActions value (the
// SERVICE_FAILURE_ACTIONS record with 32-bit fields, its pointers as
// placeholders, followed by the SC_ACTION entries) and
// FailureActionsOnNonCrashFailures.
std::string WriteActionsToServiceKey() {
    const std::wstring path = std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\") + kServiceName;
    HKEY raw = nullptr;
    const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &raw);
    if (opened != ERROR_SUCCESS) return Failed("RegOpenKeyExW", static_cast<DWORD>(opened));
    const UniqueKey key(raw);
    std::vector<DWORD> record = {kFailureCountResetSeconds, 0, 0, kActionCount, 5 * sizeof(DWORD)};
    for (const SC_ACTION& action : g_actions) {
        record.push_back(static_cast<DWORD>(action.Type));
        record.push_back(action.Delay);
    }
    LSTATUS written =
        RegSetValueExW(key.get(), L"FailureActions", 0, REG_BINARY, reinterpret_cast<const BYTE*>(record.data()),
                       static_cast<DWORD>(record.size() * sizeof(DWORD)));
    if (written != ERROR_SUCCESS) return Failed("RegSetValueExW(FailureActions)", static_cast<DWORD>(written));
    const DWORD on = 1;
    written = RegSetValueExW(key.get(), L"FailureActionsOnNonCrashFailures", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&on), sizeof on);
    if (written != ERROR_SUCCESS)
        return Failed("RegSetValueExW(FailureActionsOnNonCrashFailures)", static_cast<DWORD>(written));
    return {};
}

}  // namespace

std::string SetRecoveryActions() {
    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed("OpenSCManagerW", GetLastError());
    // A restart action needs the right to start the service as well.
    const UniqueServiceHandle service(
        OpenServiceW(manager.get(), kServiceName, SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | SERVICE_START));
    if (!service) return Failed("OpenServiceW", GetLastError());
    SERVICE_FAILURE_ACTIONSW actions{};
    actions.dwResetPeriod = kFailureCountResetSeconds;
    actions.cActions = kActionCount;
    actions.lpsaActions = g_actions;
    if (!ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &actions)) {
        return Failed("ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS)", GetLastError());
    }
    // Without the flag, only a crash counts as a failure; the service also
    // fails by stopping with an error status (a listener that broke).
    SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
    const bool flagSet = ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag) != FALSE;
    // A control manager that takes the actions but cannot report them back
    // (Wine's) does not keep them either: they are written where Windows keeps
    // them, so that they are there to be read and to be taken at its next start.
    if (flagSet && ReportsActions(service.get())) return {};
    return WriteActionsToServiceKey();
}

int RunSetRecovery() {
    const std::string failure = SetRecoveryActions();
    if (failure.empty()) return 0;
    const std::string text = "The catalogue service's recovery actions could not be set: " + failure + ".";
    std::cerr << "vantrel-catalogue: " << text << "\n";
    ReportToEventLog(EventKind::kError, text);
    return 1;
}

}  // namespace catalogue::win32
