#include "service/http/socket.h"

// winsock2.h before anything that may pull in windows.h (which would bring the
// old winsock.h along otherwise).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <climits>

#include "service/http/win32/socket_address.h"
#include "service/http/win32/uninherited_socket.h"

namespace httpd {

// WSASocketW with no overlapped flag: a plain blocking socket that child
// processes do not inherit. Windows 7 before SP1 does not know
// WSA_FLAG_NO_HANDLE_INHERIT and refuses the call: the socket is then made
// without the flag and its handle marked not inheritable afterwards (a child
// started between the two calls could still take it; this service starts none).
SOCKET OpenUninheritedSocket(int family, int type, int protocol, SocketOpener open) {
    const SOCKET socket = open(family, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket != INVALID_SOCKET) return socket;
    const SOCKET plain = open(family, type, protocol, nullptr, 0, 0);
    if (plain == INVALID_SOCKET) return plain;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(plain), HANDLE_FLAG_INHERIT, 0);
    return plain;
}

namespace {

// Winsock must be started once per process before the first socket call.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data{};
        result_ = ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() {
        if (result_ == 0) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    int Result() const { return result_; }

private:
    int result_ = 0;
};

void EnsureWinsock() {
    static WinsockSession session;
    if (session.Result() != 0) throw SocketError("WSAStartup", session.Result());
}

SOCKET Raw(const Socket& socket) { return static_cast<SOCKET>(socket.get()); }

[[noreturn]] void Fail(const char* call) { throw SocketError(call, ::WSAGetLastError()); }

Socket NewSocket(int family, int type, int protocol) {
    EnsureWinsock();
    const SOCKET socket = OpenUninheritedSocket(family, type, protocol, ::WSASocketW);
    if (socket == INVALID_SOCKET) Fail("WSASocketW");
    return Socket(static_cast<SocketTraits::Type>(socket));
}

}  // namespace

SocketAddress MakeAddress(const std::string& address, std::uint16_t port) {
    EnsureWinsock();  // inet_pton is a Winsock call too
    SocketAddress result;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&result.storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&result.storage);
    if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        result.length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        result.length = sizeof(sockaddr_in6);
    } else {
        throw SocketError("inet_pton(" + address + ")", WSAEINVAL);
    }
    return result;
}

Socket NewTcpSocket(int family) { return NewSocket(family, SOCK_STREAM, IPPROTO_TCP); }

void SocketTraits::Close(Type socket) noexcept { ::closesocket(static_cast<SOCKET>(socket)); }

SocketError::SocketError(const std::string& what, int code)
        : std::runtime_error(what + " failed: Winsock error " + std::to_string(code)), code_(code) {}

Socket ListenTcp(const std::string& address, std::uint16_t port, int backlog) {
    const SocketAddress sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket(sa.Family());
    // SO_REUSEADDR would let another program take the port from under us on
    // Windows; exclusive use is the safe choice there.
    const BOOL on = TRUE;
    ::setsockopt(Raw(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    if (sa.Family() == AF_INET6) {
        ::setsockopt(Raw(socket), IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&on), sizeof on);
    }
    if (::bind(Raw(socket), sa.Get(), sa.length) != 0) Fail("bind");
    if (::listen(Raw(socket), backlog) != 0) Fail("listen");
    return socket;
}

std::uint16_t LocalPort(const Socket& socket) {
    sockaddr_storage sa{};
    int length = sizeof sa;
    if (::getsockname(Raw(socket), reinterpret_cast<sockaddr*>(&sa), &length) != 0) Fail("getsockname");
    // The port stands at the same place in both families.
    return ntohs(reinterpret_cast<const sockaddr_in*>(&sa)->sin_port);
}

void ShutdownSend(const Socket& socket) { ::shutdown(Raw(socket), SD_SEND); }

void SetNonBlocking(const Socket& socket) {
    u_long on = 1;
    if (::ioctlsocket(Raw(socket), FIONBIO, &on) != 0) Fail("ioctlsocket(FIONBIO)");
}

AcceptResult TryAccept(const Socket& listener) {
    AcceptResult result;
    const SOCKET socket = ::accept(Raw(listener), nullptr, nullptr);
    if (socket != INVALID_SOCKET) {
        result.socket.reset(static_cast<SocketTraits::Type>(socket));
        // An accepted socket takes the listener's mode, but the loop must not
        // depend on that: a blocking one would stall every connection.
        u_long on = 1;
        if (::ioctlsocket(socket, FIONBIO, &on) != 0) {
            result.socket.reset();
            return result;  // kNone: this one connection is dropped
        }
        // An answer leaves in up to two sends (head, then a long body): each
        // goes out at once rather than waiting for the client's delayed ACK.
        const BOOL noDelay = TRUE;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
        result.status = AcceptStatus::kAccepted;
        return result;
    }
    // Read the error before any other call can replace it.
    result.code = ::WSAGetLastError();
    switch (result.code) {
    case WSAEMFILE:
    case WSAENOBUFS:
        result.status = AcceptStatus::kNoResources;
        break;
    case WSAENOTSOCK:
    case WSAEINVAL:
    case WSAEOPNOTSUPP:
    case WSAEFAULT:
    case WSANOTINITIALISED:
    case WSAENETDOWN:
        result.status = AcceptStatus::kFailed;
        break;
    default:
        // WSAEWOULDBLOCK, WSAECONNRESET (the client gave up while it waited), WSAEINTR.
        result.status = AcceptStatus::kNone;
    }
    return result;
}

IoResult TryReceive(const Socket& socket, char* buffer, std::size_t size) {
    const int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const int count = ::recv(Raw(socket), buffer, chunk, 0);
    if (count > 0) return {IoStatus::kDone, static_cast<std::size_t>(count)};
    if (count == 0) return {IoStatus::kEnd, 0};
    return {::WSAGetLastError() == WSAEWOULDBLOCK ? IoStatus::kWouldBlock : IoStatus::kFailed, 0};
}

IoResult TrySend(const Socket& socket, std::string_view bytes) {
    const int chunk = bytes.size() > INT_MAX ? INT_MAX : static_cast<int>(bytes.size());
    const int count = ::send(Raw(socket), bytes.data(), chunk, 0);
    if (count > 0) return {IoStatus::kDone, static_cast<std::size_t>(count)};
    if (count == 0) return {IoStatus::kWouldBlock, 0};
    return {::WSAGetLastError() == WSAEWOULDBLOCK ? IoStatus::kWouldBlock : IoStatus::kFailed, 0};
}

// Two UDP sockets on 127.0.0.1, the writing one connected to the reading one
// (WSAPoll takes sockets only); both non-blocking, so a Wake() with the
// reader's buffer full drops its byte.
Waker::Waker() {
    readEnd_ = NewSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const SocketAddress loopback = MakeAddress("127.0.0.1", 0);
    if (::bind(Raw(readEnd_), loopback.Get(), loopback.length) != 0) Fail("bind");
    sockaddr_storage bound{};
    int length = sizeof bound;
    if (::getsockname(Raw(readEnd_), reinterpret_cast<sockaddr*>(&bound), &length) != 0) Fail("getsockname");
    writeEnd_ = NewSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (::connect(Raw(writeEnd_), reinterpret_cast<const sockaddr*>(&bound), length) != 0) Fail("connect");
    SetNonBlocking(readEnd_);
    SetNonBlocking(writeEnd_);
}

void Waker::Wake() noexcept {
    const char byte = 1;
    ::send(Raw(writeEnd_), &byte, 1, 0);
}

void Waker::Drain() noexcept {
    char bytes[64];
    while (::recv(Raw(readEnd_), bytes, sizeof bytes, 0) > 0) {}
}

namespace {
std::atomic<std::uint64_t> g_pollCalls{0};
}  // namespace

std::uint64_t PollCalls() { return g_pollCalls.load(); }

bool Poll(std::vector<PollItem>& items, int timeoutMs) {
    ++g_pollCalls;
    // WSAPoll refuses the call (WSAEINVAL) when `events` asks for anything but
    // the normal-data flags; errors and hang-ups are reported all the same.
    if (items.empty()) {
        ::Sleep(static_cast<DWORD>(timeoutMs));  // WSAPoll refuses an empty table
        return true;
    }
    thread_local std::vector<WSAPOLLFD> table;
    table.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const short events =
            static_cast<short>((items[i].wantRead ? POLLRDNORM : 0) | (items[i].wantWrite ? POLLWRNORM : 0));
        table[i] = WSAPOLLFD{static_cast<SOCKET>(items[i].socket), events, 0};
    }
    const int result = ::WSAPoll(table.data(), static_cast<ULONG>(table.size()), timeoutMs);
    if (result == SOCKET_ERROR) return ::WSAGetLastError() == WSAEINTR;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const short revents = table[i].revents;
        items[i].broken = (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        items[i].readable = (revents & (POLLRDNORM | POLLERR | POLLHUP)) != 0;
        items[i].writable = (revents & (POLLWRNORM | POLLERR | POLLHUP)) != 0;
    }
    return true;
}

}  // namespace httpd
