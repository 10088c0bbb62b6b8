// The lookup client over WinHTTP, the HTTP client meant for services (WinInet
// is not): the system's proxy settings and its TLS.
//
// WinHTTP runs in its asynchronous mode. Each step (send, receive the head,
// read) is started here and completes in the status callback, which signals an
// event; the calling thread waits on that event and on the call's stop event,
// for no longer than what is left of the call's deadline. A blocking call would
// not do: a request that the server never answers is not reliably ended by
// closing its handle from another thread, nor by the receive timeout.
//
// On a stop or at the deadline the request handle is closed, which ends the
// step under way; the call's state (events and read buffer) belongs to the
// caller and to the handle together and goes when both have let it go, so a
// notification that comes late never finds it freed.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/strings.h"
#include "platform/win32/wide.h"
#include "service/lookup/lookup_client.h"
#include "service/lookup/retry_after.h"

namespace lookup {

namespace {

// WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY (Windows 8.1 and later) takes the
// system's and the user's proxy settings; Windows 7 refuses it, and there the
// default proxy (netsh winhttp) is what a service has.
constexpr DWORD kAutomaticProxy = 4;
// How long a stopped call waits for WinHTTP to let go of the request handle.
constexpr DWORD kHandleClosingWaitMs = 1000;
constexpr DWORD kReadBufferBytes = 16384;

struct InternetDeleter {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetDeleter>;

struct EventDeleter {
    void operator()(HANDLE event) const { CloseHandle(event); }
};
using Event = std::unique_ptr<void, EventDeleter>;

Event MakeEvent() { return Event(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }

// What one call shares with WinHTTP's status callback. Two owners: the
// calling thread and the request handle (released on HANDLE_CLOSING).
struct CallState {
    Event completed = MakeEvent();  // a step ended (its outcome below)
    Event stop = MakeEvent();       // Cancellation::Cancel
    Event closed = MakeEvent();     // the request handle is gone
    std::atomic<int> owners{2};
    DWORD step = 0;       // the last WINHTTP_CALLBACK_STATUS_* of a step
    DWORD error = 0;      // REQUEST_ERROR's error
    DWORD bytesRead = 0;  // READ_COMPLETE's count
    char buffer[kReadBufferBytes];

    bool Usable() const { return completed && stop && closed; }
    void Release() {
        if (--owners == 0) delete this;
    }
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
    auto* state = reinterpret_cast<CallState*>(context);
    if (state == nullptr) return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        SetEvent(state->closed.get());
        state->Release();
        return;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        state->error = static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        state->bytesRead = infoLength;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return;  // progress notes: nothing to wait for
    }
    state->step = status;
    SetEvent(state->completed.get());
}

Internet OpenSession(const FetchLimits& limits) {
    HINTERNET session = WinHttpOpen(L"vantrel-catalogue", kAutomaticProxy, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (session == nullptr) {
        session = WinHttpOpen(L"vantrel-catalogue", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    }
    if (session == nullptr) return nullptr;
    const int connect = static_cast<int>(limits.connectTimeout.count());
    const int total = static_cast<int>(limits.totalTimeout.count());
    // Each step bounded by WinHTTP as well; the call as a whole is bounded by the waits below.
    WinHttpSetTimeouts(session, connect, connect, total, total);
    return Internet(session);
}

std::optional<std::chrono::seconds> RetryAfter(HINTERNET request) {
    wchar_t value[64] = {};
    DWORD size = sizeof value;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RETRY_AFTER, WINHTTP_HEADER_NAME_BY_INDEX, value, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    return ParseRetryAfter(platform::WideToUtf8(platform::win32::FromWchar(value)), std::chrono::system_clock::now());
}

// One request in flight: its handle, its shared state and the call's deadline.
class AsyncRequest {
public:
    AsyncRequest(HINTERNET handle, CallState* state, std::chrono::steady_clock::time_point deadline)
            : handle_(handle), state_(state), deadline_(deadline) {}
    AsyncRequest(const AsyncRequest&) = delete;
    AsyncRequest& operator=(const AsyncRequest&) = delete;

    // Closes the handle, waits a moment for WinHTTP to let it go, and lets go of the state.
    ~AsyncRequest() {
        WinHttpCloseHandle(handle_);
        if (callbackSet_) {
            WaitForSingleObject(state_->closed.get(), kHandleClosingWaitMs);
        } else {
            state_->Release();  // no callback will ever release the handle's share
        }
        state_->Release();
    }

    HINTERNET Handle() const { return handle_; }
    CallState& State() { return *state_; }

    bool Prepare() {
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(state_);
        if (!WinHttpSetOption(handle_, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) return false;
        const DWORD flags = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;
        callbackSet_ = WinHttpSetStatusCallback(handle_, OnStatus, flags, 0) != WINHTTP_INVALID_STATUS_CALLBACK;
        return callbackSet_;
    }

    // Waits for the step started just before to end with `expected`; false on
    // an error, a stop or the deadline, with `error` saying which.
    bool Await(DWORD expected, std::string& error) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
        const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        const HANDLE events[] = {state_->completed.get(), state_->stop.get()};
        switch (WaitForMultipleObjects(2, events, FALSE, wait)) {
        case WAIT_OBJECT_0:
            if (state_->step == expected) return true;
            error = "no answer (" + std::to_string(state_->error) + ")";
            return false;
        case WAIT_OBJECT_0 + 1:
            error = "stopped";
            return false;
        case WAIT_TIMEOUT:
            error = "the answer took too long";
            return false;
        default:
            error = "waiting failed (" + std::to_string(GetLastError()) + ")";
            return false;
        }
    }

private:
    HINTERNET handle_;
    CallState* state_;
    std::chrono::steady_clock::time_point deadline_;
    bool callbackSet_ = false;
};

bool ReadBody(AsyncRequest& request, const FetchLimits& limits, FetchResult& result) {
    CallState& state = request.State();
    for (;;) {
        if (!WinHttpReadData(request.Handle(), state.buffer, sizeof state.buffer, nullptr)) {
            result.error = "reading the answer failed (" + std::to_string(GetLastError()) + ")";
            return false;
        }
        if (!request.Await(WINHTTP_CALLBACK_STATUS_READ_COMPLETE, result.error)) return false;
        if (state.bytesRead == 0) return true;
        if (result.body.size() + state.bytesRead > limits.maxBodyBytes) {
            result.error = "answer over the size bound";
            return false;
        }
        result.body.append(state.buffer, state.bytesRead);
    }
}

void Exchange(AsyncRequest& request, const FetchLimits& limits, FetchResult& result) {
    const HINTERNET handle = request.Handle();
    if (!WinHttpSendRequest(handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(&request.State()))) {
        result.error = "sending failed (" + std::to_string(GetLastError()) + ")";
        return;
    }
    if (!request.Await(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, result.error)) return;
    if (!WinHttpReceiveResponse(handle, nullptr)) {
        result.error = "no answer (" + std::to_string(GetLastError()) + ")";
        return;
    }
    if (!request.Await(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, result.error)) return;
    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &size, WINHTTP_NO_HEADER_INDEX);
    result.retryAfter = RetryAfter(handle);
    if (!ReadBody(request, limits, result)) {
        result.body.clear();
        return;
    }
    result.outcome = FetchResult::Outcome::kAnswered;
    result.status = static_cast<int>(status);
}

struct Target {
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool CrackUrl(const std::string& url, Target& target) {
    const std::wstring wideUrl = platform::win32::ToWchar(platform::Utf8ToWide(url));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) return false;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                  std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    target.port = parts.nPort;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

class WinHttpClient final : public LookupClient {
public:
    FetchResult Get(const std::string& url, const FetchLimits& limits, Cancellation& cancellation) override {
        FetchResult result;
        const auto deadline = std::chrono::steady_clock::now() + limits.totalTimeout;
        Target target;
        if (!CrackUrl(url, target)) {
            result.error = "bad lookup address";
            return result;
        }
        Internet session = OpenSession(limits);
        if (!session) {
            result.error = "WinHttpOpen failed (" + std::to_string(GetLastError()) + ")";
            return result;
        }
        Internet connection(WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
        if (!connection) {
            result.error = "WinHttpConnect failed (" + std::to_string(GetLastError()) + ")";
            return result;
        }
        Call(connection.get(), target, limits, deadline, cancellation, result);
        if (cancellation.Cancelled()) result.outcome = FetchResult::Outcome::kCancelled;
        return result;
    }

private:
    static void Call(HINTERNET connection, const Target& target, const FetchLimits& limits,
                     std::chrono::steady_clock::time_point deadline, Cancellation& cancellation, FetchResult& result) {
        HINTERNET handle = WinHttpOpenRequest(connection, L"GET", target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0);
        if (handle == nullptr) {
            result.error = "WinHttpOpenRequest failed (" + std::to_string(GetLastError()) + ")";
            return;
        }
        auto* state = new CallState;
        AsyncRequest request(handle, state, deadline);
        if (!state->Usable() || !request.Prepare()) {
            result.error = "preparing the request failed (" + std::to_string(GetLastError()) + ")";
            return;
        }
        // No cookies, no redirects: the call carries the identifiers and the country, nothing else.
        DWORD disable = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS;
        WinHttpSetOption(handle, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
        DWORD responseTimeout = static_cast<DWORD>(limits.totalTimeout.count());
        WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof responseTimeout);
        const HANDLE stop = state->stop.get();
        const std::size_t cancelId = cancellation.Add([stop] { SetEvent(stop); });
        Exchange(request, limits, result);
        cancellation.Remove(cancelId);
    }
};

}  // namespace

std::unique_ptr<LookupClient> MakeSystemClient() { return std::make_unique<WinHttpClient>(); }

}  // namespace lookup
