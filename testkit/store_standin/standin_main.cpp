// vantrel-store-standin: the stand-in store as a program of its own, for the
// demo, the page check in a browser and the benchmark. It listens on a free
// loopback port, writes that port to --port-file once it answers, and serves
// the records of --records (see standin_records.h) and generated icons until
// the process is ended, printing the target of each request it receives.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "testkit/store_standin/standin_records.h"
#include "testkit/store_standin/store_standin.h"

namespace {

std::mutex outputMutex;  // one request line at a time

struct Options {
    std::string records;
    std::string portFile;
    int delayMs = 0;
    std::string tooMany;  // answer every lookup with 429 and this Retry-After
};

int Usage() {
    std::cerr << "usage: vantrel-store-standin [--records FILE] [--port-file FILE] [--delay-ms N] [--too-many RETRY]\n"
                 "  --records FILE   the apps it lists: one a line, ID<TAB>record JSON\n"
                 "  --port-file FILE write the listening port to FILE once ready\n"
                 "  --delay-ms N     answer each lookup after N milliseconds (0 to 60000)\n"
                 "  --too-many RETRY answer each lookup with 429 Too Many Requests, Retry-After: RETRY\n";
    return 2;
}

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (option == "--records") {
            options.records = value;
        } else if (option == "--port-file") {
            options.portFile = value;
        } else if (option == "--too-many") {
            if (value.empty()) return false;
            options.tooMany = value;
        } else if (option == "--delay-ms") {
            char* end = nullptr;
            const long delay = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || delay < 0 || delay > 60000) return false;
            options.delayMs = static_cast<int>(delay);
        } else {
            return false;
        }
    }
    return true;
}

// Written under another name first, so a reader never sees half a number.
void WritePortFile(const std::string& path, std::uint16_t port) {
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << port << '\n';
        if (!out) throw std::runtime_error("cannot write " + partial);
    }
    std::remove(path.c_str());
    if (std::rename(partial.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) return Usage();
    try {
        standin::StandinStore store;
        std::size_t count = 0;
        if (!options.records.empty()) {
            std::ifstream records(options.records);
            if (!records) throw std::runtime_error("cannot read " + options.records);
            count = standin::LoadRecords(store, records);
        }
        store.SetDelayMs(options.delayMs);
        if (!options.tooMany.empty()) store.SetBehaviour(standin::Behaviour::kTooMany, options.tooMany);
        store.SetRequestObserver([](const std::string& target) {
            std::lock_guard<std::mutex> lock(outputMutex);
            std::cout << "GET " << target << std::endl;
        });
        if (!options.portFile.empty()) WritePortFile(options.portFile, store.Port());
        std::cout << "stand-in store on " << store.Origin() << " with " << count << " apps" << std::endl;
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    } catch (const std::exception& error) {
        std::cerr << "vantrel-store-standin: " << error.what() << '\n';
        return 1;
    }
}
