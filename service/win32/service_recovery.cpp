#include "service/win32/service_recovery.h"

#include "platform/unique_handle.h"
#include "service/win32/windows_service.h"

namespace catalogue::win32 {

namespace {

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseServiceHandle(handle); }
};
using UniqueServiceHandle = platform::UniqueHandle<ServiceHandleTraits>;

std::string Failed(const char* call, DWORD error) {
    return std::string(call) + " failed with error " + std::to_string(error);
}

}  // namespace

std::string ApplyRecoveryActions(SC_HANDLE service, ChangeServiceConfig change) {
    // Restart, restart, then nothing more until the count is reset.
    SC_ACTION actions[] = {
        {SC_ACTION_RESTART, kRestartDelayMs}, {SC_ACTION_RESTART, kRestartDelayMs}, {SC_ACTION_NONE, 0}};
    SERVICE_FAILURE_ACTIONSW failureActions{};
    failureActions.dwResetPeriod = kFailureCountResetSeconds;
    failureActions.cActions = sizeof actions / sizeof actions[0];
    failureActions.lpsaActions = actions;
    if (!change(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions)) {
        return Failed("ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS)", GetLastError());
    }
    // Without the flag, only a crash counts as a failure; the service also
    // fails by stopping with an error status (a listener that broke).
    SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
    if (!change(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag)) {
        return Failed("ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG)", GetLastError());
    }
    return {};
}

std::string SetRecoveryActions() {
    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed("OpenSCManagerW", GetLastError());
    // A restart action needs the right to start the service as well.
    const UniqueServiceHandle service(OpenServiceW(manager.get(), kServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
    if (!service) return Failed("OpenServiceW", GetLastError());
    return ApplyRecoveryActions(service.get(), ChangeServiceConfig2W);
}

}  // namespace catalogue::win32
