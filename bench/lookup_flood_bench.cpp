// The catalogue service's lookup queue under a flood (the real
// vantrel-catalogue process), with the store out of reach: the stand-in store
// takes each call and never answers, so nothing leaves the queue but by its
// bound and by the pages that go. Two clients submit 100,000 distinct
// identifiers (100 lists of 1,000, nineteen digits each: the longest that is
// looked up) as fast as they can, each list's page viewed once as a browser
// would, while a third makes the program's own exchange (a submission of four
// identifiers) over and over, during the flood and after it, 500 times at least.
// Goals: the service's peak resident size (VmHWM) under 64 MiB, the program's
// exchange p99 under 100 ms. Linux only.
// Usage: lookup_flood_bench [--lists N] [--exe PATH]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/service_process.h"
#include "testkit/http_client/http_client.h"
#include "testkit/store_standin/store_standin.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kIdsPerList = 1000;
constexpr std::size_t kProgramExchanges = 500;

struct Options {
    std::size_t lists = 100;
    std::string exe = VANTREL_CATALOGUE_EXE;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

// List `n`: 1,000 distinct nineteen-digit identifiers, none shared with another list.
std::string List(std::size_t n) {
    std::string list;
    for (std::size_t i = 0; i < kIdsPerList; ++i) {
        list += (i == 0 ? "" : ",") + std::to_string(1'000'000'000'000'000'000ULL + n * kIdsPerList + i);
    }
    return list;
}

std::string PagePath(const std::string& answer) {
    std::string path = answer.substr(answer.find("/apps/"));
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path;
}

void Run(const Options& options) {
    standin::StandinStore store;
    store.SetBehaviour(standin::Behaviour::kSilent);
    bench::ServiceProcess service(options.exe, {"--lookup-url", store.LookupUrl(), "--country", "de"});
    std::atomic<std::size_t> next{0};
    std::atomic<bool> flooding{true};
    std::vector<double> floodMs[2], viewMs[2];
    std::string lastPage;
    const auto start = Clock::now();
    std::vector<std::thread> flooders;
    for (int t = 0; t < 2; ++t) {
        flooders.emplace_back([&, t] {
            for (std::size_t n = next++; n < options.lists; n = next++) {
                const std::string list = List(n);
                const auto begin = Clock::now();
                const auto answer = httpd::Get(service.Port(), "/input/submit.php?dataset=" + list);
                floodMs[t].push_back(Ms(Clock::now() - begin));
                if (!answer || answer->status != 200) throw std::runtime_error("a flood submission was refused");
                const std::string page = PagePath(answer->body);
                if (n + 1 == options.lists) lastPage = page;
                const auto viewed = Clock::now();
                httpd::Get(service.Port(), page, "Accept-Language: de\r\n");
                viewMs[t].push_back(Ms(Clock::now() - viewed));
            }
        });
    }
    std::vector<double> programMs;
    std::thread program([&] {
        while (flooding || programMs.size() < kProgramExchanges) {
            const auto begin = Clock::now();
            const auto answer = httpd::Get(service.Port(), "/input/submit.php?dataset=284882215,310633997,389801252,1");
            programMs.push_back(Ms(Clock::now() - begin));
            if (!answer || answer->status != 200) throw std::runtime_error("the program's exchange failed");
        }
    });
    for (std::thread& flooder : flooders) flooder.join();
    const double floodSeconds = Ms(Clock::now() - start) / 1000;
    flooding = false;
    program.join();
    std::vector<double> all = floodMs[0], views = viewMs[0];
    all.insert(all.end(), floodMs[1].begin(), floodMs[1].end());
    views.insert(views.end(), viewMs[1].begin(), viewMs[1].end());
    std::printf("flood    %zu lists of 1,000 ids in %.1f s: submission p50 %.1f ms, p99 %.1f ms; "
                "first view of each page p50 %.1f ms, p99 %.1f ms\n",
                options.lists, floodSeconds, Percentile(all, 0.5), Percentile(all, 0.99), Percentile(views, 0.5),
                Percentile(views, 0.99));
    std::printf("program  %zu exchanges during and after the flood: p50 %.2f ms, p99 %.2f ms, max %.2f ms (goal: p99 < 100 ms)\n",
                programMs.size(), Percentile(programMs, 0.5), Percentile(programMs, 0.99), Percentile(programMs, 1.0));
    const auto page = httpd::Get(service.Port(), lastPage);
    const bool saysNoRoom = page && page->body.find("Too many apps are waiting to be looked up") != std::string::npos;
    std::printf("page     the last list's page says its apps found no room in the queue: %s\n",
                saysNoRoom ? "yes" : "no");
    std::printf("memory   service peak (VmHWM) %.1f MiB (goal: < 64 MiB); store calls %zu\n",
                service.PeakKib() / 1024.0, store.CallCount());
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--lists") {
            options.lists = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
        } else if (option == "--exe") {
            options.exe = argv[i + 1];
        } else {
            throw std::runtime_error("usage: lookup_flood_bench [--lists N] [--exe PATH]");
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(Parse(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lookup_flood_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
