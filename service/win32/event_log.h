#pragma once
// The catalogue service's entries in the Application event log, under its
// service name as source (the installer registers the program's message table
// for it).

#include <string>

namespace catalogue::win32 {

enum class EventKind { kError, kWarning, kInformation };

// Writes `text` (UTF-8) as one entry; nothing happens when the log cannot be reached.
void ReportToEventLog(EventKind kind, const std::string& text);

}  // namespace catalogue::win32
