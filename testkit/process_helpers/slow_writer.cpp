// Stand-in for a converter that takes its time:
//   slow_writer <milliseconds> [argument ...] <file>
// sleeps, then writes every argument between the time and the file, one per
// line, into the file. The text goes to a side file first and is renamed into
// place, so a reader sees either no file or the whole text.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(argv[1])));
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
