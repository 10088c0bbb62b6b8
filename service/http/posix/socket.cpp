#include "service/http/socket.h"

#include "service/http/posix/socket_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace httpd {

namespace {

int Fd(const Socket& socket) { return static_cast<int>(socket.get()); }

[[noreturn]] void Fail(const char* call) { throw SocketError(call, errno); }

}  // namespace

SocketAddress MakeAddress(const std::string& address, std::uint16_t port) {
    SocketAddress result;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&result.storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&result.storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        result.length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        result.length = sizeof(sockaddr_in6);
    } else {
        throw SocketError("inet_pton(" + address + ")", EINVAL);
    }
    return result;
}

Socket NewTcpSocket(int family) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw SocketError("socket", errno);
    return Socket(static_cast<SocketTraits::Type>(fd));
}

void SocketTraits::Close(Type socket) noexcept { ::close(static_cast<int>(socket)); }

SocketError::SocketError(const std::string& what, int code)
        : std::runtime_error(what + " failed: " + std::strerror(code)), code_(code) {}

Socket ListenTcp(const std::string& address, std::uint16_t port, int backlog) {
    const SocketAddress sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket(sa.Family());
    // Lets a restarted service take its port while old connections linger in TIME_WAIT.
    const int on = 1;
    ::setsockopt(Fd(socket), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // An IPv6 listener takes IPv6 only, so that an IPv4 listener on the same port can stand beside it.
    if (sa.Family() == AF_INET6) ::setsockopt(Fd(socket), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (::bind(Fd(socket), sa.Get(), sa.length) != 0) Fail("bind");
    if (::listen(Fd(socket), backlog) != 0) Fail("listen");
    return socket;
}

std::uint16_t LocalPort(const Socket& socket) {
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&sa), &length) != 0) Fail("getsockname");
    // The port stands at the same place in both families.
    return ntohs(reinterpret_cast<const sockaddr_in*>(&sa)->sin_port);
}

void ShutdownSend(const Socket& socket) { ::shutdown(Fd(socket), SHUT_WR); }

void SetNonBlocking(const Socket& socket) {
    const int flags = ::fcntl(Fd(socket), F_GETFL);
    if (flags < 0 || ::fcntl(Fd(socket), F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl(O_NONBLOCK)");
}

AcceptResult TryAccept(const Socket& listener) {
    AcceptResult result;
    for (;;) {
        const int fd = ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            result.status = AcceptStatus::kAccepted;
            result.socket.reset(static_cast<SocketTraits::Type>(fd));
            // An answer leaves in up to two sends (head, then a long body): each
            // goes out at once rather than waiting for the client's delayed ACK.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return result;
        }
        if (errno != EINTR) break;
    }
    result.code = errno;
    switch (errno) {
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        result.status = AcceptStatus::kNoResources;
        break;
    case EBADF:
    case EINVAL:
    case ENOTSOCK:
    case EOPNOTSUPP:
    case EFAULT:
        result.status = AcceptStatus::kFailed;
        break;
    default:
        // EAGAIN, and the errors of a connection that died while it waited
        // (ECONNABORTED, EPROTO, network errors), which Linux passes on here.
        result.status = AcceptStatus::kNone;
    }
    return result;
}

IoResult TryReceive(const Socket& socket, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::recv(Fd(socket), buffer, size, 0);
        if (count > 0) return {IoStatus::kDone, static_cast<std::size_t>(count)};
        if (count == 0) return {IoStatus::kEnd, 0};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::kWouldBlock, 0};
        return {IoStatus::kFailed, 0};
    }
}

IoResult TrySend(const Socket& socket, std::string_view bytes) {
    for (;;) {
        const ssize_t count = ::send(Fd(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) return {IoStatus::kDone, static_cast<std::size_t>(count)};
        if (count == 0) return {IoStatus::kWouldBlock, 0};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::kWouldBlock, 0};
        return {IoStatus::kFailed, 0};
    }
}

// A pipe: both ends non-blocking, so a Wake() with the pipe full drops its byte.
Waker::Waker() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) Fail("pipe2");
    readEnd_.reset(static_cast<SocketTraits::Type>(ends[0]));
    writeEnd_.reset(static_cast<SocketTraits::Type>(ends[1]));
}

void Waker::Wake() noexcept {
    const int saved = errno;  // may run in a signal handler's stead
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(Fd(writeEnd_), &byte, 1);
    errno = saved;
}

void Waker::Drain() noexcept {
    char bytes[64];
    while (::read(Fd(readEnd_), bytes, sizeof bytes) > 0) {}
}

namespace {
std::atomic<std::uint64_t> g_pollCalls{0};
}  // namespace

std::uint64_t PollCalls() { return g_pollCalls.load(); }

bool Poll(std::vector<PollItem>& items, int timeoutMs) {
    ++g_pollCalls;
    // One table for the thread, kept between calls: the loop polls all the time.
    thread_local std::vector<pollfd> table;
    table.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const short events = static_cast<short>((items[i].wantRead ? POLLIN : 0) | (items[i].wantWrite ? POLLOUT : 0));
        table[i] = pollfd{static_cast<int>(items[i].socket), events, 0};
    }
    const int result = ::poll(table.data(), table.size(), timeoutMs);
    if (result < 0) return errno == EINTR;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const short revents = table[i].revents;
        items[i].broken = (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        items[i].readable = (revents & (POLLIN | POLLERR | POLLHUP)) != 0;
        items[i].writable = (revents & (POLLOUT | POLLERR | POLLHUP)) != 0;
    }
    return true;
}

}  // namespace httpd
