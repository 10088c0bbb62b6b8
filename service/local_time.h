#pragma once
// A moment as the computer's clock on the wall shows it, for the page:
// posix/ and win32/ implement it.

#include <chrono>
#include <string>

namespace catalogue {

// "14:33": the local hour and minute of `when`, rounded up to the next minute,
// so that "until 14:33" is never too early.
std::string LocalClockTime(std::chrono::system_clock::time_point when);

}  // namespace catalogue
