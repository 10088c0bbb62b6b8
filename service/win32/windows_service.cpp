#include "service/win32/windows_service.h"

#include <windows.h>

#include <iostream>
#include <mutex>
#include <string>

#include "platform/unique_handle.h"
#include "service/installed_options.h"
#include "service/win32/event_log.h"

namespace catalogue::win32 {

namespace {

struct EventTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using UniqueEvent = platform::UniqueHandle<EventTraits>;

// The stop takes a moment (the server never waits on a client); the hint leaves room.
constexpr DWORD kPendingWaitHintMs = 3000;

// The service control manager calls back through plain functions: the one
// service of the process keeps its state here. It is made once and never
// freed, so that a control handler call still under way when the service has
// ended (and the dispatcher returned) finds it whole.
struct ServiceState {
    ServiceOptions options;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    std::mutex statusMutex;  // the control handler and ServiceMain both report
    SERVICE_STATUS status{};
    UniqueEvent stopAsked;  // set by the control handler
    UniqueEvent failed;     // set by the server when it can no longer take connections
    std::mutex failureMutex;
    std::string failure;
    int failureCode = 0;
};
ServiceState* g_service = nullptr;

// The status to report, with the state's checkpoint counted on.
SERVICE_STATUS NextStatus(DWORD state, DWORD win32ExitCode, DWORD specificExitCode) {
    SERVICE_STATUS& status = g_service->status;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = specificExitCode;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
    status.dwWaitHint = pending ? kPendingWaitHintMs : 0;
    return status;
}

void SetState(DWORD state) {
    std::lock_guard<std::mutex> lock(g_service->statusMutex);
    SERVICE_STATUS status = NextStatus(state, NO_ERROR, 0);
    SetServiceStatus(g_service->statusHandle, &status);
}

// The service's very last step: once SERVICE_STOPPED is reported the
// dispatcher may return and the process end, so the report is made from
// copies, with the lock already given back.
void ReportStopped(DWORD win32ExitCode, DWORD specificExitCode) {
    SERVICE_STATUS status{};
    SERVICE_STATUS_HANDLE handle = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_service->statusMutex);
        status = NextStatus(SERVICE_STOPPED, win32ExitCode, specificExitCode);
        handle = g_service->statusHandle;
    }
    SetServiceStatus(handle, &status);
}

// Answers at once: the stop itself is the service thread's (see ServiceMain).
// Stop controls come only while running (see NextStatus).
DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        SetState(SERVICE_STOP_PENDING);
        SetEvent(g_service->stopAsked.get());
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

// How the service ended, for its SERVICE_STOPPED report.
struct ExitCodes {
    DWORD win32 = NO_ERROR;
    DWORD specific = 0;
};

// Serves until a stop control or a failure; the catalogue is stopped and gone
// when it returns. A port taken by another program at the start, or a
// listener that breaks later, ends the service with an error status and an
// event-log entry saying so; the recovery actions (service_recovery.h) then
// restart it.
ExitCodes Serve() {
    RunningCatalogue catalogue(g_service->options, nullptr, RecordFailure,
                               [](const std::string& line) { ReportToEventLog(EventKind::kWarning, line); });
    try {
        catalogue.Start();
    } catch (const std::exception& error) {
        const auto* listen = dynamic_cast<const ListenError*>(&error);
        ReportToEventLog(EventKind::kError, "The catalogue service cannot start: " + std::string(error.what()) +
                                                (listen ? ". Another program may be using the port" : "") +
                                                "; the service has stopped.");
        return {ERROR_SERVICE_SPECIFIC_ERROR, listen ? static_cast<DWORD>(listen->Code()) : 1};
    }
    ReportToEventLog(EventKind::kInformation, "The catalogue service is listening on " + catalogue.Addresses() + ".");
    SetState(SERVICE_RUNNING);
    const HANDLE events[] = {g_service->stopAsked.get(), g_service->failed.get()};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        catalogue.Stop();
        return {};
    }
    SetState(SERVICE_STOP_PENDING);
    catalogue.Stop();
    std::string failure;
    int code = 0;
    {
        std::lock_guard<std::mutex> lock(g_service->failureMutex);
        failure = g_service->failure;
        code = g_service->failureCode;
    }
    ReportToEventLog(EventKind::kError, "The catalogue service can no longer take requests: " + failure + " (error " +
                                            std::to_string(code) + "); the service has stopped.");
    return {ERROR_SERVICE_SPECIFIC_ERROR, code > 0 ? static_cast<DWORD>(code) : 1};
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    g_service->statusHandle = RegisterServiceCtrlHandlerExW(kServiceName, HandleControl, nullptr);
    if (g_service->statusHandle == nullptr) return;
    SetState(SERVICE_START_PENDING);
    const ExitCodes codes = Serve();
    ReportStopped(codes.win32, codes.specific);
}

}  // namespace

int RunWindowsService(const ServiceOptions& options) {
    auto* state = new ServiceState;  // never freed: see ServiceState
    state->options = options;
    state->stopAsked.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    state->failed.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state->stopAsked || !state->failed) return 1;
    g_service = state;
    // The table's name is not written to; the type lacks the const.
    const SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    // Fails at once with ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when started from a console.
    const bool ran = StartServiceCtrlDispatcherW(table) != FALSE;
    if (!ran) {
        std::cerr << "vantrel-catalogue: --service is for the service control manager; "
                     "run without it to serve from this console\n";
        return 1;
    }
    return 0;
}

int RunInstalledService(const std::vector<std::string>& arguments) {
    InstalledOptions installed;
    try {
        installed = ParseInstalledServiceOptions(arguments);
    } catch (const std::invalid_argument& error) {
        const std::string text =
            "The catalogue service cannot start: its command line is wrong: " + std::string(error.what()) + ".";
        std::cerr << "vantrel-catalogue: " << text << "\n";
        ReportToEventLog(EventKind::kError, text);
        return 2;
    }
    for (const std::string& refusal : installed.refused)
        ReportToEventLog(EventKind::kError, "A setting of the catalogue service was refused: " + refusal + ".");
    return RunWindowsService(installed.options);
}

}  // namespace catalogue::win32
