#pragma once
// The driver's side of the probe: asks the probe DLL, hooked into the window's
// thread for the length of one query, to answer from inside the program.

#include <windows.h>

#include <string>
#include <string_view>

namespace driver {

// The JSON object the probe wrote for `query` (probe::Query) about `window`.
// `request` carries the query's arguments, where it has some (probe_protocol.h).
// Throws StepError when the DLL is missing or the window does not answer in time.
std::string QueryProbe(HWND window, long query, std::string_view request = {});

}  // namespace driver
