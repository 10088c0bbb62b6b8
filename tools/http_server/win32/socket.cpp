#include "tools/http_server/socket.h"

// winsock2.h before anything that may pull in windows.h (which would bring the
// old winsock.h along otherwise).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>

namespace httpd {

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

sockaddr_in MakeAddress(const std::string& address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        throw SocketError("inet_pton(" + address + ")", WSAEINVAL);
    }
    return sa;
}

Socket NewTcpSocket() {
    EnsureWinsock();
    // WSASocketW with no overlapped flag: a plain blocking socket that child
    // processes do not inherit.
    const SOCKET socket = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) Fail("WSASocketW");
    return Socket(static_cast<SocketTraits::Type>(socket));
}

}  // namespace

void SocketTraits::Close(Type socket) noexcept { ::closesocket(static_cast<SOCKET>(socket)); }

SocketError::SocketError(const std::string& what, int code)
    : std::runtime_error(what + " failed: Winsock error " + std::to_string(code)), code_(code) {}

Socket ListenTcp(const std::string& address, std::uint16_t port, int backlog) {
    const sockaddr_in sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket();
    // SO_REUSEADDR would let another program take the port from under us on
    // Windows; exclusive use is the safe choice there.
    const BOOL on = TRUE;
    ::setsockopt(Raw(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    if (::bind(Raw(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) Fail("bind");
    if (::listen(Raw(socket), backlog) != 0) Fail("listen");
    return socket;
}

std::uint16_t LocalPort(const Socket& socket) {
    sockaddr_in sa{};
    int length = sizeof sa;
    if (::getsockname(Raw(socket), reinterpret_cast<sockaddr*>(&sa), &length) != 0) Fail("getsockname");
    return ntohs(sa.sin_port);
}

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

void ShutdownSend(const Socket& socket) { ::shutdown(Raw(socket), SD_SEND); }

Socket ConnectTcp(const std::string& address, std::uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    Socket socket = NewTcpSocket();
    if (::connect(Raw(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) Fail("connect");
    return socket;
}

}  // namespace httpd
