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
    const WORD type = kind == EventKind::kError     ? EVENTLOG_ERROR_TYPE
                      : kind == EventKind::kWarning ? EVENTLOG_WARNING_TYPE
                                                    : EVENTLOG_INFORMATION_TYPE;
    const DWORD message = kind == EventKind::kError     ? MSG_SERVICE_ERROR
                          : kind == EventKind::kWarning ? MSG_SERVICE_WARNING
                                                        : MSG_SERVICE_INFO;
    ReportEventW(source, type, 0, message, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

}  // namespace catalogue::win32
