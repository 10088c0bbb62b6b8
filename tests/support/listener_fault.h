#pragma once
// Breaks a listening socket of this process from outside its owner, as a
// failing network stack would: accepting on it then fails for good.

#include <cstdint>

namespace testing_support {

// Finds this process's listening TCP socket on `port` and breaks it (POSIX:
// shut down; Windows: closed under its owner, whose later close of the value
// then fails harmlessly unless a new socket took it meanwhile). False when no
// such socket was found.
bool BreakListener(std::uint16_t port);

}  // namespace testing_support
