#include "service/win32/windows_service.h"

#include <windows.h>

#include <iostream>
#include <mutex>
#include <string>

#include "platform/unique_handle.h"
#include "service/win32/event_log.h"

namespace catalogue::win32 {

namespace {

struct EventTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using UniqueEvent = platform::UniqueHandle<EventTraits>;

// The stop takes the server's 100 ms tick at most; the hint leaves room.
constexpr DWORD kPendingWaitHintMs = 3000;

// The service control manager calls back through plain functions: the one
// service of the process keeps its state here.
struct ServiceState {
    ServiceOptions options;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    std::mutex statusMutex;  // the control handler and ServiceMain both report
    SERVICE_STATUS status{};
    RunningCatalogue* catalogue = nullptr;  // set while the service runs
    std::mutex stopMutex;                   // one stop, by whichever comes first
    bool stopReported = false;
    UniqueEvent stopped;  // set once the stop is reported
    UniqueEvent failed;   // set by the server when it can no longer take connections
    std::mutex failureMutex;
    std::string failure;
    int failureCode = 0;
};
ServiceState* g_service = nullptr;

void SetState(DWORD state, DWORD win32ExitCode = NO_ERROR, DWORD specificExitCode = 0) {
    std::lock_guard<std::mutex> lock(g_service->statusMutex);
    SERVICE_STATUS& status = g_service->status;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = specificExitCode;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
    status.dwWaitHint = pending ? kPendingWaitHintMs : 0;
    SetServiceStatus(g_service->statusHandle, &status);
}

// Stops the server and reports the service stopped, once: for a stop control
// or for a failure, whichever comes first.
void StopAndReport(DWORD win32ExitCode, DWORD specificExitCode) {
    std::lock_guard<std::mutex> lock(g_service->stopMutex);
    if (g_service->stopReported) return;
    SetState(SERVICE_STOP_PENDING);
    g_service->catalogue->Stop();
    SetState(SERVICE_STOPPED, win32ExitCode, specificExitCode);
    g_service->stopReported = true;
    SetEvent(g_service->stopped.get());
}

// The stop is done before the handler answers: the control manager's caller
// (an uninstaller removing the program's files next, say) gets its answer only
// once nothing listens any more. The server never waits on a client, so this
// takes a moment whatever the clients do. Stop controls come only while
// running (see SetState).
DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        StopAndReport(NO_ERROR, 0);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void RecordFailure(const std::string& message, int code) {
    {
        std::lock_guard<std::mutex> lock(g_service->failureMutex);
        g_service->failure = message;
        g_service->failureCode = code;
    }
    SetEvent(g_service->failed.get());
}

// Runs until a stop control arrives or the server fails. A port taken by
// another program at the start, or a listener that breaks later, ends the
// service with an error status and an event-log entry saying so; the recovery
// actions (service_recovery.h) then restart it.
void WINAPI ServiceMain(DWORD, LPWSTR*) {
    g_service->statusHandle = RegisterServiceCtrlHandlerExW(kServiceName, HandleControl, nullptr);
    if (g_service->statusHandle == nullptr) return;
    SetState(SERVICE_START_PENDING);
    RunningCatalogue catalogue(g_service->options, nullptr, RecordFailure);
    try {
        catalogue.Start();
    } catch (const std::exception& error) {
        const auto* listen = dynamic_cast<const ListenError*>(&error);
        ReportToEventLog(EventKind::kError, "The catalogue service cannot start: " + std::string(error.what()) +
                                                (listen ? ". Another program may be using the port" : "") +
                                                "; the service has stopped.");
        SetState(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, listen ? static_cast<DWORD>(listen->Code()) : 1);
        return;
    }
    ReportToEventLog(EventKind::kInformation, "The catalogue service is listening on " + catalogue.Addresses() + ".");
    g_service->catalogue = &catalogue;
    SetState(SERVICE_RUNNING);
    const HANDLE events[] = {g_service->stopped.get(), g_service->failed.get()};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        std::string failure;
        int code = 0;
        {
            std::lock_guard<std::mutex> lock(g_service->failureMutex);
            failure = g_service->failure;
            code = g_service->failureCode;
        }
        ReportToEventLog(EventKind::kError, "The catalogue service can no longer take requests: " + failure +
                                                " (error " + std::to_string(code) + "); the service has stopped.");
        StopAndReport(ERROR_SERVICE_SPECIFIC_ERROR, code > 0 ? static_cast<DWORD>(code) : 1);
    }
    WaitForSingleObject(g_service->stopped.get(), INFINITE);
}

}  // namespace

int RunWindowsService(const ServiceOptions& options) {
    ServiceState state;
    state.options = options;
    state.stopped.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    state.failed.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state.stopped || !state.failed) return 1;
    g_service = &state;
    // The table's name is not written to; the type lacks the const.
    const SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    // Fails at once with ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when started from a console.
    const bool ran = StartServiceCtrlDispatcherW(table) != FALSE;
    g_service = nullptr;
    if (!ran) {
        std::cerr << "vantrel-catalogue: --service is for the service control manager; "
                     "run without it to serve from this console\n";
        return 1;
    }
    return 0;
}

}  // namespace catalogue::win32
