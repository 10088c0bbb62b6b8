#include "testkit/http_client/blocking_socket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "service/http/posix/socket_address.h"

namespace httpd {

namespace {

int Fd(const Socket& socket) { return static_cast<int>(socket.get()); }

}  // namespace

WaitResult WaitReadable(const Socket& socket, int timeoutMs) {
    pollfd entry{Fd(socket), POLLIN, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs);
        if (result > 0) return WaitResult::kReady;  // POLLHUP/POLLERR: the next read reports it
        if (result == 0) return WaitResult::kTimeout;
        if (errno != EINTR) return WaitResult::kError;
    }
}

Socket AcceptConnection(const Socket& listener) {
    for (;;) {
        const int fd = ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) return Socket(static_cast<SocketTraits::Type>(fd));
        if (errno != EINTR) return Socket();
    }
}

std::ptrdiff_t ReceiveSome(const Socket& socket, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::recv(Fd(socket), buffer, size, 0);
        if (count >= 0) return count;
        if (errno != EINTR) return -1;
    }
}

bool SendAll(const Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(Fd(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

Socket ConnectTcp(const std::string& address, std::uint16_t port, int receiveBuffer) {
    const SocketAddress sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket(sa.Family());
    if (receiveBuffer > 0 &&
        ::setsockopt(Fd(socket), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer) != 0) {
        throw SocketError("setsockopt(SO_RCVBUF)", errno);
    }
    for (;;) {
        if (::connect(Fd(socket), sa.Get(), sa.length) == 0) return socket;
        if (errno != EINTR) throw SocketError("connect", errno);
    }
}

}  // namespace httpd
