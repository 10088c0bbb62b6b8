#include "service/win32/windows_service.h"

#include <windows.h>

#include <iostream>
#include <string>

#include "platform/strings.h"
#include "platform/unique_handle.h"
#include "platform/win32/wide.h"
#include "service_messages.h"  // generated from messages.mc

namespace catalogue::win32 {

namespace {

struct EventTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using UniqueEvent = platform::UniqueHandle<EventTraits>;

// The service control manager calls back through plain functions: the one
// service of the process keeps its state here.
struct ServiceState {
    ServiceOptions options;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    SERVICE_STATUS status{};
    RunningCatalogue* catalogue = nullptr;  // set while the service runs
    UniqueEvent stopped;                    // set once the stop is done
};
ServiceState* g_service = nullptr;

void ReportToEventLog(WORD type, DWORD eventId, const std::string& text) {
    HANDLE source = RegisterEventSourceW(nullptr, kServiceName);
    if (source == nullptr) return;  // nowhere left to say it
    const std::wstring wide = platform::win32::ToWchar(platform::Utf8ToWide(text));
    const wchar_t* strings[] = {wide.c_str()};
    ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

void SetState(DWORD state, DWORD win32ExitCode = NO_ERROR, DWORD specificExitCode = 0) {
    SERVICE_STATUS& status = g_service->status;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = specificExitCode;
    // Pending states promise progress within the wait hint; stopping takes
    // at most the server's 100 ms accept slice plus the answers under way.
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
    status.dwWaitHint = pending ? 5000 : 0;
    SetServiceStatus(g_service->statusHandle, &status);
}

// The stop is done before the handler answers: the control manager's caller
// (an uninstaller removing the program's files next, say) gets its answer only
// once nothing listens any more and the answers under way are finished. Stop
// controls come only while running (see SetState).
DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            SetState(SERVICE_STOP_PENDING);
            g_service->catalogue->Stop();
            SetState(SERVICE_STOPPED);
            SetEvent(g_service->stopped.get());
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// Runs until a stop control arrives. A port taken by another program ends the
// service with an error status and an event-log entry saying so.
void WINAPI ServiceMain(DWORD, LPWSTR*) {
    g_service->statusHandle = RegisterServiceCtrlHandlerExW(kServiceName, HandleControl, nullptr);
    if (g_service->statusHandle == nullptr) return;
    SetState(SERVICE_START_PENDING);
    RunningCatalogue catalogue(g_service->options, nullptr);
    try {
        catalogue.Start();
    } catch (const std::exception& error) {
        const auto* listen = dynamic_cast<const ListenError*>(&error);
        ReportToEventLog(EVENTLOG_ERROR_TYPE, MSG_SERVICE_ERROR,
                         "The catalogue service cannot start: " + std::string(error.what()) +
                             (listen ? ". Another program may be using the port" : "") + "; the service has stopped.");
        SetState(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, listen ? static_cast<DWORD>(listen->Code()) : 1);
        return;
    }
    ReportToEventLog(EVENTLOG_INFORMATION_TYPE, MSG_SERVICE_INFO,
                     "The catalogue service is listening on " + catalogue.Addresses() + ".");
    g_service->catalogue = &catalogue;
    SetState(SERVICE_RUNNING);
    WaitForSingleObject(g_service->stopped.get(), INFINITE);
}

}  // namespace

int RunWindowsService(const ServiceOptions& options) {
    ServiceState state;
    state.options = options;
    state.stopped.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state.stopped) return 1;
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
