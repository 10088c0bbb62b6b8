#include "testkit/http_client/blocking_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>

#include "service/http/win32/socket_address.h"

namespace httpd {

namespace {

SOCKET Raw(const Socket& socket) { return static_cast<SOCKET>(socket.get()); }

}  // namespace

WaitResult WaitReadable(const Socket& socket, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Raw(socket), &readable);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    // The first argument of select is ignored by Winsock.
    const int result = ::select(0, &readable, nullptr, nullptr, &timeout);
    if (result > 0) return WaitResult::kReady;
    return result == 0 ? WaitResult::kTimeout : WaitResult::kError;
}

Socket AcceptConnection(const Socket& listener) {
    const SOCKET socket = ::accept(Raw(listener), nullptr, nullptr);
    if (socket == INVALID_SOCKET) return Socket();
    return Socket(static_cast<SocketTraits::Type>(socket));
}

std::ptrdiff_t ReceiveSome(const Socket& socket, char* buffer, std::size_t size) {
    const int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const int count = ::recv(Raw(socket), buffer, chunk, 0);
    return count == SOCKET_ERROR ? -1 : count;
}

bool SendAll(const Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const int chunk = bytes.size() > INT_MAX ? INT_MAX : static_cast<int>(bytes.size());
        const int sent = ::send(Raw(socket), bytes.data(), chunk, 0);
        if (sent == SOCKET_ERROR || sent == 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

Socket ConnectTcp(const std::string& address, std::uint16_t port, int receiveBuffer) {
    const SocketAddress sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket(sa.Family());
    if (receiveBuffer > 0 && ::setsockopt(Raw(socket), SOL_SOCKET, SO_RCVBUF,
                                          reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer) != 0) {
        throw SocketError("setsockopt(SO_RCVBUF)", ::WSAGetLastError());
    }
    if (::connect(Raw(socket), sa.Get(), sa.length) != 0) throw SocketError("connect", ::WSAGetLastError());
    return socket;
}

}  // namespace httpd
