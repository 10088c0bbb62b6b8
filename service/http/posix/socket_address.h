#pragma once
// The POSIX socket layer's own steps, shared with the blocking calls of the
// test kit (testkit/http_client): a numeric address and a new TCP socket.

#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "service/http/socket.h"

namespace httpd {

// An IPv4 ("127.0.0.1") or IPv6 ("::1") address in numeric form.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int Family() const { return storage.ss_family; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// Throws SocketError for anything but a numeric IPv4 or IPv6 address.
SocketAddress MakeAddress(const std::string& address, std::uint16_t port);

// A blocking TCP socket of that family, not inherited by started programs.
// Throws SocketError.
Socket NewTcpSocket(int family);

}  // namespace httpd
