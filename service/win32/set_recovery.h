#pragma once
// The --set-recovery step (see service_recovery.h).

namespace catalogue::win32 {

// Exit code 0 when the recovery actions are set, 1 otherwise (the reason goes
// to standard error and the event log).
int RunSetRecovery();

}  // namespace catalogue::win32
