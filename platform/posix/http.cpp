#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <string>

#include "platform/process.h"
#include "platform/stream.h"
#include "platform/strings.h"
#include "platform/unique_handle.h"

namespace platform {
namespace {

struct CurlHandleTraits {
    using Type = CURL*;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { curl_easy_cleanup(handle); }
};
using CurlHandle = UniqueHandle<CurlHandleTraits>;

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Receiver {
    MemoryStream body;
    std::exception_ptr error;  // an exception may not cross libcurl's C frames
};

std::size_t ReceiveBlock(char* data, std::size_t size, std::size_t count, void* context) {
    auto& receiver = *static_cast<Receiver*>(context);
    const std::size_t bytes = size * count;
    try {
        receiver.body.WriteBuffer(data, bytes);
    } catch (...) {
        receiver.error = std::current_exception();
        return 0;  // anything but `bytes` aborts the transfer
    }
    return bytes;
}

// libcurl has no send or receive timeout of its own: a transfer that moves less
// than a byte a second for the longer of the two is a stalled one.
long StallSeconds(const DownloadTimeouts& timeouts) {
    const auto longest = std::max(timeouts.send, timeouts.receive);
    return std::max(1L, static_cast<long>((longest.count() + 999) / 1000));
}

// Plain GET; the proxy comes from the environment (http_proxy, no_proxy) as
// libcurl reads it by default; nothing is cached; redirects are followed, as the
// Windows library does, but only to HTTP and HTTPS addresses.
void Configure(CURL* curl, const std::string& url, const std::string& agent, const DownloadTimeouts& timeouts,
               Receiver& receiver) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, StallSeconds(timeouts));
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kDownloadBlockSize));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, ReceiveBlock);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);
}

}  // namespace

bool DownloadToFile(std::u16string_view url, std::u16string_view fileName, const DownloadTimeouts& timeouts) {
    InitialiseCurl();
    const std::string agent = WideToUtf8(AgentName(ExecutablePath()));
    const std::string narrowUrl = WideToUtf8(url);
    const CurlHandle curl(curl_easy_init());
    if (!curl) return false;

    Receiver receiver;
    Configure(curl.get(), narrowUrl, agent, timeouts, receiver);
    const CURLcode result = curl_easy_perform(curl.get());
    if (receiver.error) std::rethrow_exception(receiver.error);
    if (result != CURLE_OK) {
        // A server that answered opened the address: a transfer broken off
        // mid-body keeps what arrived, as on Windows. No answer at all is failure.
        long status = 0;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status == 0) return false;
    }
    receiver.body.SaveToFile(fileName);
    return true;
}

}  // namespace platform
