#include "service/win32/set_recovery.h"

#include <iostream>
#include <string>

#include "service/win32/event_log.h"
#include "service/win32/service_recovery.h"

namespace catalogue::win32 {

int RunSetRecovery() {
    const std::string failure = SetRecoveryActions();
    if (failure.empty()) return 0;
    const std::string text = "The catalogue service's recovery actions could not be set: " + failure + ".";
    std::cerr << "vantrel-catalogue: " << text << "\n";
    ReportToEventLog(EventKind::kError, text);
    return 1;
}

}  // namespace catalogue::win32
