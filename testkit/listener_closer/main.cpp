// vantrel-close-listeners SERVICE PORT
//
// Closes, inside the process of the running service SERVICE, every socket that
// listens on TCP port PORT: what a server sees when the network stack takes a
// listener away (its next accept fails). The handles of the service's process
// are tried one by one: each is duplicated here, and one that is a listening
// socket on PORT is moved out of it (DUPLICATE_CLOSE_SOURCE) and closed.
// Prints the service's process id and the number of listeners closed; exit
// status 0 when at least one was closed, 1 when none was found, 2 on a usage
// or system error.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// Handle values are multiples of four; a service holds a few hundred at most.
constexpr ULONG_PTR kLastHandleValue = 0x10000;

struct KernelHandle {
    HANDLE value = nullptr;
    KernelHandle() = default;
    explicit KernelHandle(HANDLE h) : value(h) {}
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() {
        if (value != nullptr) CloseHandle(value);
    }
};

struct ServiceHandle {
    SC_HANDLE value = nullptr;
    explicit ServiceHandle(SC_HANDLE h) : value(h) {}
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    ~ServiceHandle() {
        if (value != nullptr) CloseServiceHandle(value);
    }
};

// The process id of the running service, or 0.
DWORD ServiceProcessId(const wchar_t* name) {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.value == nullptr) return 0;
    const ServiceHandle service(OpenServiceW(manager.value, name, SERVICE_QUERY_STATUS));
    if (service.value == nullptr) return 0;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service.value, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed))
        return 0;
    return status.dwCurrentState == SERVICE_RUNNING ? status.dwProcessId : 0;
}

// Whether `socket` (a copy of the service's handle) listens on `port`: bound
// to it and connected to no peer (an accepted connection has the same local
// port). Wine answers neither SO_ACCEPTCONN nor, for a listener, WSAENOTCONN:
// any failure to name a peer counts.
bool ListensOn(SOCKET socket, unsigned port) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    unsigned bound = 0;
    if (address.ss_family == AF_INET) bound = ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6) bound = ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port);
    if (bound != port) return false;
    sockaddr_storage peer{};
    length = sizeof peer;
    return getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0;
}

// Whether the service's handle `value` is a socket listening on `port`.
bool IsListenerOf(HANDLE process, HANDLE value, unsigned port) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, value, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return false;
    const bool listener = ListensOn(reinterpret_cast<SOCKET>(copy), port);
    CloseHandle(copy);
    return listener;
}

int CloseListeners(DWORD processId, unsigned port) {
    const KernelHandle process(OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId));
    if (process.value == nullptr) {
        std::fwprintf(stderr, L"cannot open process %lu: error %lu\n", processId, GetLastError());
        return -1;
    }
    int closed = 0;
    for (ULONG_PTR value = 4; value <= kLastHandleValue; value += 4) {
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (!IsListenerOf(process.value, handle, port)) continue;
        // Moved out of the service into this process, then closed: the
        // socket's last handle goes, and the listener with it.
        HANDLE moved = nullptr;
        if (DuplicateHandle(process.value, handle, GetCurrentProcess(), &moved, 0, FALSE,
                            DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
            closesocket(reinterpret_cast<SOCKET>(moved));
            ++closed;
        }
    }
    return closed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: vantrel-close-listeners SERVICE PORT\n");
        return 2;
    }
    const unsigned long port = std::wcstoul(argv[2], nullptr, 10);
    WSADATA data;
    if (port == 0 || port > 65535 || WSAStartup(MAKEWORD(2, 2), &data) != 0) return 2;
    const DWORD processId = ServiceProcessId(argv[1]);
    if (processId == 0) {
        std::fwprintf(stderr, L"the service %ls is not running\n", argv[1]);
        WSACleanup();
        return 2;
    }
    const int closed = CloseListeners(processId, static_cast<unsigned>(port));
    WSACleanup();
    std::wprintf(L"process %lu: %d listeners closed\n", processId, closed < 0 ? 0 : closed);
    return closed < 0 ? 2 : closed > 0 ? 0 : 1;
}
