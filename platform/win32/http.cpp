#include "platform/http.h"

#include <windows.h>
#include <wininet.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/stream.h"
#include "platform/unique_handle.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

struct InternetHandleTraits {
    using Type = HINTERNET;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { InternetCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

// Reads the body block by block into memory. InternetReadFile's own result is not
// examined: the count is reset before every read, so a read that fails leaves 0
// and ends the body like its real end, keeping what arrived so far.
void ReadBody(HINTERNET request, MemoryStream& body) {
    std::array<std::uint8_t, kDownloadBlockSize> block{};
    for (;;) {
        DWORD count = 0;
        InternetReadFile(request, block.data(), static_cast<DWORD>(block.size()), &count);
        if (count == 0) return;
        body.WriteBuffer(block.data(), count);
    }
}

void SetTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds timeout) {
    DWORD value = static_cast<DWORD>(timeout.count());
    InternetSetOptionW(handle, option, &value, sizeof value);
}

void SetTimeouts(HINTERNET handle, const DownloadTimeouts& timeouts) {
    SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
    SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
    SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
}

// What InternetConnectW and HttpOpenRequestW take of an address.
struct UrlParts {
    std::wstring host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    std::wstring object;  // path and query
    bool secure = false;
};

std::optional<UrlParts> SplitUrl(const std::wstring& url) {
    URL_COMPONENTSW components{};
    components.dwStructSize = sizeof components;
    // Non-zero lengths ask for pointers into `url` itself.
    components.dwHostNameLength = 1;
    components.dwUrlPathLength = 1;
    components.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &components)) return std::nullopt;
    UrlParts parts;
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.port = components.nPort;
    parts.object.assign(components.lpszUrlPath, components.dwUrlPathLength);
    parts.object.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = L"/";
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return parts;
}

}  // namespace

// The request is opened step by step rather than by InternetOpenUrlW, which
// connects, sends and waits for the answer on a handle of its own: Wine's
// WinInet does not pass the session's timeouts on to that handle and then waits
// on a silent server forever. Here the timeouts are set on the session and on
// the very request handle that waits.
bool DownloadToFile(std::u16string_view url, std::u16string_view fileName, const DownloadTimeouts& timeouts) {
    const std::wstring agent = win32::ToWchar(AgentName(ExecutablePath()));
    // PRECONFIG: the system's proxy settings (Wine also honours http_proxy here).
    const InternetHandle session(InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    SetTimeouts(session.get(), timeouts);
    const std::optional<UrlParts> parts = SplitUrl(win32::ToWchar(url));
    if (!parts) return false;
    // Declared after the session, so they are closed first on every way out.
    const InternetHandle connection(InternetConnectW(session.get(), parts->host.c_str(), parts->port, nullptr, nullptr,
                                                     INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    const DWORD flags = INTERNET_FLAG_RELOAD | (parts->secure ? INTERNET_FLAG_SECURE : 0);
    const InternetHandle request(
        HttpOpenRequestW(connection.get(), L"GET", parts->object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request) return false;
    SetTimeouts(request.get(), timeouts);
    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return false;

    MemoryStream body;
    ReadBody(request.get(), body);
    body.SaveToFile(fileName);
    return true;
}

}  // namespace platform
