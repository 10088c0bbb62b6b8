#pragma once
// vantrel-catalogue as a Windows service: started and stopped by the service
// control manager, listening on the loopback addresses, reporting to the
// Application event log under its service name.

#include "service/service.h"

namespace catalogue::win32 {

inline constexpr wchar_t kServiceName[] = L"VantrelCatalogue";

// Hands the process to the service control manager and returns when the
// service has stopped: 0, or 1 when the process was not started as a service.
int RunWindowsService(const ServiceOptions& options);

}  // namespace catalogue::win32
