#pragma once
// Unpredictable bytes from the operating system's generator (getrandom on
// Linux, BCryptGenRandom on Windows): posix/random_bytes.cpp and
// win32/random_bytes.cpp implement it.

#include <cstddef>
#include <span>

namespace catalogue {

// Fills `bytes`. Throws std::runtime_error when the system gives none (it then
// fills nothing that could be mistaken for random).
void FillRandomBytes(std::span<unsigned char> bytes);

}  // namespace catalogue
