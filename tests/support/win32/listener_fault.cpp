#include "tests/support/listener_fault.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace testing_support {

// Socket handles are kernel handles, multiples of 4; the test process holds
// few, so the low ones are searched.
bool BreakListener(std::uint16_t port) {
    for (SOCKET socket = 4; socket < 65536; socket += 4) {
        BOOL listening = FALSE;
        int length = sizeof listening;
        if (getsockopt(socket, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&listening), &length) != 0 ||
            !listening) {
            continue;
        }
        sockaddr_storage address{};
        int addressLength = sizeof address;
        if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &addressLength) != 0) continue;
        // The port stands at the same place in both families.
        if (ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port) != port) continue;
        // Shutting a listener down does nothing on Windows; closed, it reports
        // an invalid socket to WSAPoll and accept.
        return closesocket(socket) == 0;
    }
    return false;
}

}  // namespace testing_support
