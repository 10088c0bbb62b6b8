#include "service/win32/event_log.h"

#include <windows.h>

#include "platform/strings.h"
#include "platform/win32/wide.h"
#include "service/win32/windows_service.h"
#include "service_messages.h"  // generated from messages.mc

namespace catalogue::win32 {

void ReportToEventLog(EventKind kind, const std::string& text) {
    HANDLE source = RegisterEventSourceW(nullptr, kServiceName);
    if (source == nullptr) return;  // nowhere left to say it
    const std::wstring wide = platform::win32::ToWchar(platform::Utf8ToWide(text));
    const wchar_t* strings[] = {wide.c_str()};
    const bool error = kind == EventKind::kError;
    ReportEventW(source, error ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE, 0,
                 error ? MSG_SERVICE_ERROR : MSG_SERVICE_INFO, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

}  // namespace catalogue::win32
