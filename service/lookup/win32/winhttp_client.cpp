// The lookup client over WinHTTP, the HTTP client meant for services (WinInet
// is not): the system's proxy settings and its TLS. The calls are synchronous;
// a stop closes the request handle from the stopping thread, which ends a
// blocking WinHttpSendRequest, WinHttpReceiveResponse or WinHttpReadData at once.
#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <mutex>
#include <string>

#include "service/lookup/lookup_client.h"

namespace lookup {

namespace {

struct InternetDeleter {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetDeleter>;

// WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY (Windows 8.1 and later) takes the
// system's and the user's proxy settings; Windows 7 refuses it, and there the
// default proxy (netsh winhttp) is what a service has.
constexpr DWORD kAutomaticProxy = 4;

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;  // lookup addresses are plain ASCII (lookup_options checks)
}

Internet OpenSession(const FetchLimits& limits) {
    HINTERNET session =
        WinHttpOpen(L"vantrel-catalogue", kAutomaticProxy, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr) {
        session = WinHttpOpen(L"vantrel-catalogue", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (session == nullptr) return nullptr;
    const int connect = static_cast<int>(limits.connectTimeout.count());
    const int total = static_cast<int>(limits.totalTimeout.count());
    // Resolve, connect, send, receive: each bounded; the whole call is bounded below by reading against a deadline.
    WinHttpSetTimeouts(session, connect, connect, total, total);
    return Internet(session);
}

// Owns the request handle; Cancel (another thread) closes it once.
struct RequestHandle {
    std::mutex mutex;
    HINTERNET handle = nullptr;
    void Close() {
        std::lock_guard<std::mutex> lock(mutex);
        if (handle != nullptr) WinHttpCloseHandle(handle);
        handle = nullptr;
    }
};

std::optional<std::chrono::seconds> RetryAfter(HINTERNET request) {
    wchar_t value[64] = {};
    DWORD size = sizeof value;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RETRY_AFTER, WINHTTP_HEADER_NAME_BY_INDEX, value, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    std::string ascii;
    for (const wchar_t* c = value; *c != L'\0'; ++c) ascii.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return ParseRetryAfter(ascii);
}

bool ReadBody(HINTERNET request, const FetchLimits& limits, std::chrono::steady_clock::time_point deadline,
              FetchResult& result) {
    char buffer[16384];
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.error = "the answer took too long";
            return false;
        }
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer, sizeof buffer, &read)) {
            result.error = "reading the answer failed (" + std::to_string(GetLastError()) + ")";
            return false;
        }
        if (read == 0) return true;
        if (result.body.size() + read > limits.maxBodyBytes) {
            result.error = "answer over the size bound";
            return false;
        }
        result.body.append(buffer, read);
    }
}

class WinHttpClient final : public LookupClient {
public:
    FetchResult Get(const std::string& url, const FetchLimits& limits, Cancellation& cancellation) override {
        FetchResult result;
        const auto deadline = std::chrono::steady_clock::now() + limits.totalTimeout;
        std::wstring wideUrl = Wide(url);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) {
            result.error = "bad lookup address";
            return result;
        }
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                  std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        Internet session = OpenSession(limits);
        if (!session) {
            result.error = "WinHttpOpen failed (" + std::to_string(GetLastError()) + ")";
            return result;
        }
        Internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
        if (!connection) {
            result.error = "WinHttpConnect failed (" + std::to_string(GetLastError()) + ")";
            return result;
        }
        const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
        RequestHandle request;
        request.handle = WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
        if (request.handle == nullptr) {
            result.error = "WinHttpOpenRequest failed (" + std::to_string(GetLastError()) + ")";
            return result;
        }
        // No cookies, no redirects: the call carries the identifiers and the country, nothing else.
        DWORD disable = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS;
        WinHttpSetOption(request.handle, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
        const std::size_t cancelId = cancellation.Add([&request] { request.Close(); });
        Exchange(request.handle, limits, deadline, result);
        cancellation.Remove(cancelId);
        request.Close();
        if (cancellation.Cancelled()) result.outcome = FetchResult::Outcome::kCancelled;
        return result;
    }

private:
    static void Exchange(HINTERNET request, const FetchLimits& limits, std::chrono::steady_clock::time_point deadline,
                         FetchResult& result) {
        if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !WinHttpReceiveResponse(request, nullptr)) {
            result.error = "no answer (" + std::to_string(GetLastError()) + ")";
            return;
        }
        DWORD status = 0;
        DWORD size = sizeof status;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        result.retryAfter = RetryAfter(request);
        if (!ReadBody(request, limits, deadline, result)) {
            result.body.clear();
            return;
        }
        result.outcome = FetchResult::Outcome::kAnswered;
        result.status = static_cast<int>(status);
    }
};

}  // namespace

std::unique_ptr<LookupClient> MakeSystemClient() { return std::make_unique<WinHttpClient>(); }

}  // namespace lookup
