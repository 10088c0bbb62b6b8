#pragma once
// vantrel-catalogue as a Windows service: started and stopped by the service
// control manager, listening on the loopback addresses, reporting to the
// Application event log under its service name.

#include <string>
#include <vector>

#include "service/service.h"

namespace catalogue::win32 {

inline constexpr wchar_t kServiceName[] = L"VantrelCatalogue";

// Hands the process to the service control manager and returns when the
// service has stopped: 0, or 1 when the process was not started as a service.
int RunWindowsService(const ServiceOptions& options);

// The installed service's start from its command line (UTF-8, with --service):
// a refused install value is written to the event log and its option keeps
// its default (installed_options.h), so the service still starts; a command
// line it cannot take at all is written there too, and the process ends (2).
int RunInstalledService(const std::vector<std::string>& arguments);

}  // namespace catalogue::win32
