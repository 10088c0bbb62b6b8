#pragma once
// The few TCP socket operations the server and its test client need, over
// blocking sockets with explicit waits. posix/socket.cpp and win32/socket.cpp
// implement them (the latter over Winsock, started on first use).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/unique_handle.h"

namespace httpd {

// A SOCKET on Windows, a file descriptor on POSIX; all ones means none.
struct SocketTraits {
    using Type = std::uintptr_t;
    static constexpr Type Invalid() { return ~Type{0}; }
    static void Close(Type socket) noexcept;
};
using Socket = platform::UniqueHandle<SocketTraits>;

// A socket call that failed, with the call's name and the system's error code.
class SocketError : public std::runtime_error {
public:
    SocketError(const std::string& what, int code);
    int Code() const noexcept { return code_; }

private:
    int code_;
};

enum class WaitResult { kReady, kTimeout, kError };

// A listening TCP socket on a numeric IPv4 or IPv6 address ("127.0.0.1", "::1")
// and port (an IPv6 listener takes IPv6 only); port 0 lets
// the system pick a free one. Throws SocketError.
Socket ListenTcp(const std::string& address, std::uint16_t port, int backlog);

// The port a bound socket ended up on. Throws SocketError.
std::uint16_t LocalPort(const Socket& socket);

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

// Ends the sending direction; the peer then reads end of stream.
void ShutdownSend(const Socket& socket);

// A connected TCP socket to a numeric IPv4 or IPv6 address and port. Throws SocketError.
Socket ConnectTcp(const std::string& address, std::uint16_t port);

}  // namespace httpd
