#include "service/random_bytes.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace catalogue {

// getrandom without flags waits only until the kernel's pool is first
// initialised (early in boot), never afterwards; a signal may cut a call short.
void FillRandomBytes(std::span<unsigned char> bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) throw std::runtime_error(std::string("getrandom failed: ") + std::strerror(errno));
        filled += static_cast<std::size_t>(count);
    }
}

}  // namespace catalogue
