// The lookup client over libcurl, as the program's own request uses it.
#include <curl/curl.h>

#include <mutex>

#include "service/http/text.h"
#include "service/lookup/lookup_client.h"
#include "service/lookup/retry_after.h"

namespace lookup {

namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct CallState {
    FetchResult result;
    std::size_t maxBody = 0;
    bool tooLarge = false;
    const Cancellation* cancellation = nullptr;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<CallState*>(user);
    const std::size_t bytes = size * count;
    if (state->result.body.size() + bytes > state->maxBody) {
        state->tooLarge = true;
        return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
    state->result.body.append(data, bytes);
    return bytes;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<CallState*>(user);
    const std::string_view line(data, size * count);
    constexpr std::string_view kName = "retry-after:";
    if (line.size() > kName.size()) {
        if (httpd::AsciiLower(line.substr(0, kName.size())) == kName)
            state->result.retryAfter = ParseRetryAfter(line.substr(kName.size()), std::chrono::system_clock::now());
    }
    return size * count;
}

// Called about once a second and on every chunk: a non-zero answer aborts.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CallState*>(user)->cancellation->Cancelled() ? 1 : 0;
}

void Configure(CURL* easy, const std::string& url, const FetchLimits& limits, CallState& state) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);  // threads: no SIGALRM for name resolution
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "vantrel-catalogue");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);
}

class CurlClient final : public LookupClient {
public:
    CurlClient() {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    FetchResult Get(const std::string& url, const FetchLimits& limits, Cancellation& cancellation) override {
        CallState state;
        state.maxBody = limits.maxBodyBytes;
        state.cancellation = &cancellation;
        Easy easy(curl_easy_init());
        if (!easy) {
            state.result.error = "curl_easy_init failed";
            return state.result;
        }
        Configure(easy.get(), url, limits, state);
        const CURLcode code = curl_easy_perform(easy.get());
        if (cancellation.Cancelled()) {
            state.result.outcome = FetchResult::Outcome::kCancelled;
        } else if (code == CURLE_OK) {
            long status = 0;
            curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
            state.result.outcome = FetchResult::Outcome::kAnswered;
            state.result.status = static_cast<int>(status);
        } else {
            state.result.error = state.tooLarge ? "answer over the size bound" : curl_easy_strerror(code);
            state.result.body.clear();
        }
        return std::move(state.result);
    }
};

}  // namespace

std::unique_ptr<LookupClient> MakeSystemClient() { return std::make_unique<CurlClient>(); }

}  // namespace lookup
