#include "service/random_bytes.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <stdexcept>
#include <string>

namespace catalogue {

// The system-preferred generator needs no algorithm handle; it returns an
// NTSTATUS, not a Win32 error.
void FillRandomBytes(std::span<unsigned char> bytes) {
    if (bytes.size() > ULONG_MAX) throw std::runtime_error("BCryptGenRandom: too many bytes asked for");
    const NTSTATUS status =
        BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) throw std::runtime_error("BCryptGenRandom failed: status " + std::to_string(status));
}

}  // namespace catalogue
