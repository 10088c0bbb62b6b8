#pragma once
// The Windows socket layer's own steps, shared with the blocking calls of the
// test kit (testkit/http_client): a numeric address and a new TCP socket.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <string>

#include "service/http/socket.h"

namespace httpd {

// An IPv4 ("127.0.0.1") or IPv6 ("::1") address in numeric form.
struct SocketAddress {
    sockaddr_storage storage{};
    int length = 0;
    int Family() const { return storage.ss_family; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// Throws SocketError for anything but a numeric IPv4 or IPv6 address (starts
// Winsock first).
SocketAddress MakeAddress(const std::string& address, std::uint16_t port);

// A blocking TCP socket of that family, not inherited by started programs.
// Throws SocketError.
Socket NewTcpSocket(int family);

}  // namespace httpd
