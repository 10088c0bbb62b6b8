#include "platform/http.h"

#include <windows.h>
#include <wininet.h>

#include <array>
#include <cstdint>

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

// Set on the session before the URL is opened: InternetOpenUrlW connects, sends
// and waits for the answer inside the one call, and its handle inherits these.
void SetTimeouts(HINTERNET session, const DownloadTimeouts& timeouts) {
    SetTimeout(session, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
    SetTimeout(session, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
    SetTimeout(session, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
}

}  // namespace

bool DownloadToFile(std::u16string_view url, std::u16string_view fileName, const DownloadTimeouts& timeouts) {
    const std::wstring agent = win32::ToWchar(AgentName(ExecutablePath()));
    // PRECONFIG: the system's proxy settings (Wine also honours http_proxy here).
    const InternetHandle session(InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    SetTimeouts(session.get(), timeouts);
    const std::wstring wideUrl = win32::ToWchar(url);
    // Declared after the session, so it is closed first on every way out.
    const InternetHandle request(
        InternetOpenUrlW(session.get(), wideUrl.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!request) return false;

    MemoryStream body;
    ReadBody(request.get(), body);
    body.SaveToFile(fileName);
    return true;
}

}  // namespace platform
