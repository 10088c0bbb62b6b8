// Stand-in for a converter whose XML comes out far larger than its input:
//   bulky_converter [option ...] <file>
// The file holds a byte count on its first line and an identifier on its
// second. The file is rewritten as an XML property list with that identifier
// at its top, padded with comment lines to exactly that many bytes.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string path = argv[argc - 1];
    std::string count;
    std::string identifier;
    {
        std::ifstream in(path, std::ios::binary);
        if (!std::getline(in, count) || !std::getline(in, identifier)) return 1;
    }
    const long long size = std::atoll(count.c_str());
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
        "\t<key>itemId</key>\n\t<integer>" +
        identifier + "</integer>\n";
    const std::string tail = "</dict>\n</plist>\n";
    std::string padding = "\t<!-- padding -->\n";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    long long left = size - static_cast<long long>(head.size() + tail.size());
    while (left >= static_cast<long long>(padding.size())) {
        out << padding;
        left -= static_cast<long long>(padding.size());
    }
    out << std::string(static_cast<std::size_t>(left > 0 ? left : 0), '\n') << tail;
    return out ? 0 : 1;
}
