// Stand-in for a converter that takes its time:
//   slow_writer <milliseconds | @gate-file> [argument ...] <file>
// waits (the given time, or until the gate file exists, which a test creates
// when it has seen what it must see while the program runs), then writes every
// argument between the wait and the file, one per line, into the file. The text
// goes to a side file first and is renamed into place, so a reader sees either
// no file or the whole text.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

bool Exists(const std::string& path) {
    std::ifstream file(path);
    return static_cast<bool>(file);
}

// A gate file the test never opens ends the wait after ten minutes, so that no
// helper outlives a failed test for long.
void Wait(const std::string& what) {
    if (what.empty() || what[0] != '@') {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(what.c_str())));
        return;
    }
    const std::string gate = what.substr(1);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (!Exists(gate) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    Wait(argv[1]);
    const std::string target = argv[argc - 1];
    const std::string side = target + ".part";
    {
        std::ofstream out(side, std::ios::binary | std::ios::trunc);
        for (int i = 2; i < argc - 1; ++i) out << argv[i] << '\n';
        if (!out) return 1;
    }
    std::remove(target.c_str());
    return std::rename(side.c_str(), target.c_str()) == 0 ? 0 : 1;
}
