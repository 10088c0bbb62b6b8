#pragma once
// The installed service's recovery actions: what the service control manager
// does when the service ends with a failure (a crash, or a stop with an error
// status): restart it after a few seconds, twice; count failures afresh after
// a day. Set by the installer, which runs `vantrel-catalogue --set-recovery`
// as an elevated step once the service is installed.

#include <string>

namespace catalogue::win32 {

inline constexpr unsigned long kRestartDelayMs = 5000;
inline constexpr unsigned long kFailureCountResetSeconds = 24 * 60 * 60;

// Sets the recovery actions of the installed service. Returns an empty text,
// or what failed.
std::string SetRecoveryActions();

// The --set-recovery step: exit code 0 when the actions are set, 1 otherwise
// (the reason goes to standard error and the event log).
int RunSetRecovery();

}  // namespace catalogue::win32
