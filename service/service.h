#pragma once
// The vantrel-catalogue program's console form (see service_options.h for its
// options): every request line received is written to standard output and,
// with --log, to FILE, each by a thread of its own that drops lines rather
// than hold the service when its output is not read; messages go to standard
// error. With --service it runs under the Windows service control manager
// instead (win32/windows_service.h); --set-recovery (the installer's step)
// gives the installed service its recovery actions.

#include <string>
#include <vector>

#include "service/running_catalogue.h"
#include "service/service_options.h"

namespace catalogue {

// Runs the console form until the user stops it (Ctrl+C, SIGINT, SIGTERM:
// exit code 0) or a listener fails (1); returns at once when it cannot start
// (exit code 1, or 2 for bad arguments or --service / --set-recovery on a
// system without services) or after --help (0).
int RunService(const std::vector<std::string>& arguments);

}  // namespace catalogue
