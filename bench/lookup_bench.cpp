// The catalogue service's store lookups (the real vantrel-catalogue process)
// against the stand-in store answering each call after --delay-ms (300 ms by
// default, a realistic pace for the store's lookup):
//   "page"    1,000 identifiers submitted (nine in ten listed): the calls made,
//             the time until the page is complete (no more Refresh), and the
//             calls a second submission of the same list makes;
//   "warm"    page views of that complete page from the warm cache: p50, p99;
//   "memory"  the cache filled past its bound with the largest records the
//             reader keeps (two more pages of 1,000 records with every text at
//             its length bound), every page viewed in the three languages; the
//             service's peak resident size (VmHWM). The store's pace (20 calls a
//             minute) makes this phase wait about a minute.
// Goals: the complete page within a few seconds (about ten calls), warm p99
// under 100 ms, peak under 64 MiB. Linux only.
// Usage: lookup_bench [--delay-ms N] [--views N] [--exe PATH]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/service_process.h"
#include "testkit/http_client/http_client.h"
#include "testkit/store_standin/store_standin.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kIds = 1000;

struct Options {
    int delayMs = 300;
    int views = 2000;
    std::string exe = VANTREL_CATALOGUE_EXE;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::vector<std::string> Ids(std::size_t first) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < kIds; ++i) ids.push_back(std::to_string(first + i));
    return ids;
}

// A record with every text at the reader's length bound (300 bytes) and both
// addresses near theirs: the most a cached app can hold.
std::string LargestRecord(const std::string& id, const std::string& origin) {
    const std::string text(300, 'x');
    const std::string icon = origin + "/icons/" + id + std::string(900, 'a') + ".png";
    const std::string quoted = standin::JsonString(text);
    return "{\"trackId\":" + id + ",\"trackName\":" + quoted + ",\"artistName\":" + quoted +
           ",\"primaryGenreName\":" + quoted + ",\"formattedPrice\":" + quoted + ",\"version\":" + quoted +
           ",\"currentVersionReleaseDate\":" + quoted + ",\"minimumOsVersion\":" + quoted +
           ",\"contentAdvisoryRating\":" + quoted + ",\"averageUserRating\":4.5,\"userRatingCount\":12345," +
           "\"fileSizeBytes\":\"123456789\",\"artworkUrl100\":" + standin::JsonString(icon) +
           ",\"trackViewUrl\":\"https://apps.apple.com/app/id" + id + std::string(900, 'q') + "\"}";
}

// The page's path from the service's answer to a submission.
std::string Submit(std::uint16_t port, const std::vector<std::string>& ids) {
    std::string list;
    for (const std::string& id : ids) list += (list.empty() ? "" : ",") + id;
    const auto answer = httpd::Get(port, "/input/submit.php?dataset=" + list);
    if (!answer || answer->status != 200) throw std::runtime_error("the submission was not answered");
    const std::size_t path = answer->body.find("/apps/");
    if (path == std::string::npos) throw std::runtime_error("no page address in the answer");
    std::string page = answer->body.substr(path);
    while (!page.empty() && (page.back() == '\n' || page.back() == '\r')) page.pop_back();
    return page;
}

// Views `page` until it no longer reloads itself; the time that took.
Clock::duration UntilComplete(std::uint16_t port, const std::string& page, Clock::time_point since) {
    for (;;) {
        const auto view = httpd::Get(port, page);
        if (view && view->status == 200 && view->FindHeader("Refresh") == nullptr) return Clock::now() - since;
        if (Clock::now() - since > 180s) throw std::runtime_error("the page was not complete after 3 minutes");
        std::this_thread::sleep_for(20ms);
    }
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

void WarmViews(std::uint16_t port, const std::string& page, int views) {
    std::vector<double> ms;
    std::size_t bytes = 0;
    for (int i = 0; i < views; ++i) {
        const auto start = Clock::now();
        const auto view = httpd::Get(port, page, "Accept-Language: de-DE,de;q=0.9\r\n");
        ms.push_back(Ms(Clock::now() - start));
        if (!view || view->status != 200) throw std::runtime_error("a warm view failed");
        bytes = view->body.size();
    }
    std::printf("warm    %d views of the complete page (%zu bytes): p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", views,
                bytes, Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0));
}

void FillTheCache(standin::StandinStore& store, const bench::ServiceProcess& service, std::vector<std::string>& pages) {
    const auto start = Clock::now();
    for (std::size_t first : {2'000'000, 3'000'000}) {
        const std::vector<std::string> ids = Ids(first);
        for (const std::string& id : ids) store.SetRecord(id, LargestRecord(id, store.Origin()));
        pages.push_back(Submit(service.Port(), ids));
    }
    for (const std::string& page : pages) UntilComplete(service.Port(), page, start);
    std::printf("memory  every page complete: peak so far %.1f MiB\n", service.PeakKib() / 1024.0);
    for (const std::string& page : pages) {
        for (const char* language : {"de", "en", "fr"})
            httpd::Get(service.Port(), page, std::string("Accept-Language: ") + language + "\r\n");
    }
    std::printf(
        "memory  %zu pages of 1,000 apps complete after %.1f s, %zu calls in all; service peak (VmHWM) %.1f MiB\n",
        pages.size(), Ms(Clock::now() - start) / 1000, store.CallCount(), service.PeakKib() / 1024.0);
}

void Run(const Options& options) {
    standin::StandinStore store;
    store.SetDelayMs(options.delayMs);
    const std::vector<std::string> ids = Ids(1'000'000);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i % 10 == 9) continue;  // the store no longer lists one in ten
        store.SetRecord(ids[i], standin::TypicalRecord(ids[i], "App number " + ids[i],
                                                       store.Origin() + "/icons/" + ids[i] + ".png"));
    }
    bench::ServiceProcess service(options.exe, {"--lookup-url", store.LookupUrl(), "--country", "de"});
    const auto start = Clock::now();
    const std::string page = Submit(service.Port(), ids);
    const double submitMs = Ms(Clock::now() - start);
    const double completeMs = Ms(UntilComplete(service.Port(), page, start));
    const std::size_t calls = store.CallCount();
    std::printf(
        "page    1,000 ids, store answering after %d ms: submission answered in %.1f ms, %zu calls, "
        "page complete after %.0f ms, most calls at once %zu\n",
        options.delayMs, submitMs, calls, completeMs, store.MostAtOnce());
    Submit(service.Port(), ids);
    std::this_thread::sleep_for(500ms);
    std::printf("page    the same 1,000 ids submitted again: %zu more calls\n", store.CallCount() - calls);
    std::printf("page    peak so far %.1f MiB\n", service.PeakKib() / 1024.0);
    WarmViews(service.Port(), page, options.views);
    std::vector<std::string> pages{page};
    FillTheCache(store, service, pages);
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--delay-ms") {
            options.delayMs = std::atoi(argv[i + 1]);
        } else if (option == "--views") {
            options.views = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--exe") {
            options.exe = argv[i + 1];
        } else {
            throw std::runtime_error("usage: lookup_bench [--delay-ms N] [--views N] [--exe PATH]");
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(Parse(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lookup_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
