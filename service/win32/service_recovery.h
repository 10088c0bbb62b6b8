#pragma once
// The installed service's recovery actions: what the service control manager
// does when the service ends with a failure (a crash, or a stop with an error
// status): restart it after a few seconds, twice; count failures afresh after
// a day. Set by the installer, which runs `vantrel-catalogue --set-recovery`
// as an elevated step once the service is installed, through the documented
// ChangeServiceConfig2W only.

#include <windows.h>

#include <string>

namespace catalogue::win32 {

inline constexpr DWORD kRestartDelayMs = 5000;
inline constexpr DWORD kFailureCountResetSeconds = 24 * 60 * 60;

// ChangeServiceConfig2W, or a stand-in that records its arguments.
using ChangeServiceConfig = BOOL(WINAPI*)(SC_HANDLE service, DWORD infoLevel, LPVOID info);

// Gives `service` (opened with SERVICE_CHANGE_CONFIG and SERVICE_START) its
// recovery actions through `change`: the actions, then the flag that makes a
// stop with an error status count as a failure too. Returns an empty text, or
// what failed (a control manager that does not know the flag says so).
std::string ApplyRecoveryActions(SC_HANDLE service, ChangeServiceConfig change);

// Opens the installed service and applies its actions with ChangeServiceConfig2W.
std::string SetRecoveryActions();

}  // namespace catalogue::win32
