#include "tests/support/listener_fault.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace testing_support {

bool BreakListener(std::uint16_t port) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const int highest =
        limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536 ? 65536 : static_cast<int>(limit.rlim_cur);
    for (int fd = 3; fd < highest; ++fd) {
        int listening = 0;
        socklen_t length = sizeof listening;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) != 0 || !listening) continue;
        sockaddr_storage address{};
        socklen_t addressLength = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressLength) != 0) continue;
        // The port stands at the same place in both families.
        if (ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port) != port) continue;
        // A listening socket shut down wakes its poll with a hang-up, and
        // accept then fails with EINVAL.
        return shutdown(fd, SHUT_RDWR) == 0;
    }
    return false;
}

}  // namespace testing_support
