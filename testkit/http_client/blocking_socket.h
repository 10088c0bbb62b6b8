#pragma once
// Blocking socket calls with explicit waits, for test clients and test
// servers (the service itself uses only the non-blocking calls of
// service/http/socket.h). posix/blocking_socket.cpp and
// win32/blocking_socket.cpp implement them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/http/socket.h"

namespace httpd {

enum class WaitResult { kReady, kTimeout, kError };

// Waits at most timeoutMs until the socket can be read without blocking (for a
// listener: a connection is waiting). Retries when interrupted by a signal.
WaitResult WaitReadable(const Socket& socket, int timeoutMs);

// Takes one waiting connection; an invalid Socket when that failed.
Socket AcceptConnection(const Socket& listener);

// Receives at most `size` bytes. Returns the count, 0 when the peer finished
// sending, -1 on an error.
std::ptrdiff_t ReceiveSome(const Socket& socket, char* buffer, std::size_t size);

// Sends every byte (a broken connection never raises a signal). False on error.
bool SendAll(const Socket& socket, std::string_view bytes);

// A connected TCP socket to a numeric IPv4 or IPv6 address and port. A
// receiveBuffer above 0 sets the socket's receive buffer to about that many
// bytes before it connects (so the window it offers stays small). Throws SocketError.
Socket ConnectTcp(const std::string& address, std::uint16_t port, int receiveBuffer = 0);

}  // namespace httpd
