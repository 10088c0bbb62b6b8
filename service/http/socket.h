#pragma once
// The TCP socket operations of the server's event loop: listeners, and
// non-blocking calls with a poll over many sockets. posix/socket.cpp and
// win32/socket.cpp implement them (the latter over Winsock, started on first
// use). The blocking calls of test clients and test servers are in
// testkit/http_client/blocking_socket.h.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// A listening TCP socket on a numeric IPv4 or IPv6 address ("127.0.0.1", "::1")
// and port (an IPv6 listener takes IPv6 only); port 0 lets
// the system pick a free one. Throws SocketError.
Socket ListenTcp(const std::string& address, std::uint16_t port, int backlog);

// The port a bound socket ended up on. Throws SocketError.
std::uint16_t LocalPort(const Socket& socket);

// Ends the sending direction; the peer then reads end of stream.
void ShutdownSend(const Socket& socket);

// ---- non-blocking use ------------------------------------------------------

// Calls on a socket in non-blocking mode never wait; they say so instead.
void SetNonBlocking(const Socket& socket);  // throws SocketError

enum class AcceptStatus {
    kAccepted,     // `socket` holds the connection, already non-blocking
    kNone,         // nothing waiting, or the client gave up before it was taken
    kNoResources,  // out of descriptors or buffers for now: try again later
    kFailed,       // the listener itself is broken; `code` says why
};
struct AcceptResult {
    AcceptStatus status = AcceptStatus::kNone;
    Socket socket;
    int code = 0;
};
// Takes one waiting connection from a non-blocking listener.
AcceptResult TryAccept(const Socket& listener);

enum class IoStatus {
    kDone,        // `count` bytes moved (at least one)
    kWouldBlock,  // nothing can move now
    kEnd,         // receiving: the peer finished sending
    kFailed,      // the connection is broken
};
struct IoResult {
    IoStatus status = IoStatus::kFailed;
    std::size_t count = 0;
};
// Receives what has arrived, at most `size` bytes, without waiting.
IoResult TryReceive(const Socket& socket, char* buffer, std::size_t size);
// Sends what the socket's buffer takes now, at most all of `bytes`.
IoResult TrySend(const Socket& socket, std::string_view bytes);

// One socket of a poll: what to wait for, and what was found.
struct PollItem {
    SocketTraits::Type socket = SocketTraits::Invalid();
    bool wantRead = false;
    bool wantWrite = false;
    bool readable = false;  // set by Poll: data, a waiting connection, end of stream or an error
    bool writable = false;  // set by Poll
    bool broken = false;    // set by Poll: an error, hang-up or invalid socket
};
// Ends a poll at once from another thread: its handle is polled for reading
// beside the sockets, and Wake() makes it readable until Drain().
class Waker {
public:
    Waker();  // throws SocketError
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    SocketTraits::Type Handle() const { return readEnd_.get(); }
    // Safe from any thread at any time (it only sends a byte, which may be
    // dropped when wake-ups are already waiting).
    void Wake() noexcept;
    // Takes the waiting wake-ups, on the polling thread.
    void Drain() noexcept;

private:
    Socket readEnd_;
    Socket writeEnd_;
};

// Waits at most timeoutMs until one of the items is ready and marks each.
// Returns false when the poll itself failed (an interruption counts as a
// timeout: nothing marked).
bool Poll(std::vector<PollItem>& items, int timeoutMs);

// Poll() calls made by this process so far, for tests and measurements.
std::uint64_t PollCalls();

}  // namespace httpd
