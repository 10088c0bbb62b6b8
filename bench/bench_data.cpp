#include "bench/bench_data.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "bench/bench_archive_writer.h"

namespace bench {
namespace {

constexpr int kManyMembers = 5000;
constexpr std::size_t kManyMemberSize = 40000;
constexpr int kSmallMembers = 65000;
constexpr std::int64_t kBigSize = 200000000;
constexpr std::int64_t kHugeSize = (std::int64_t{17} << 28);  // 4.25 GiB

class XorShift {
public:
    explicit XorShift(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    std::uint64_t state_;
};

const char* const kWords[] = {"app",     "bundle",  "key",     "string", "integer", "dict",    "array",  "true",
                              "false",   "version", "build",   "itemId", "artist",  "genre",   "price",  "store",
                              "payload", "icon",    "launch",  "image",  "Info",    "display", "name",   "<key>",
                              "</key>",  "<dict>",  "</dict>", "\n",     "\t",      "2010",    "iPhone", "release"};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

// Text-like data (compresses about 4:1), produced piece by piece.
PieceSource TextSource(std::int64_t total, std::uint64_t seed) {
    auto state = std::make_shared<std::pair<std::int64_t, XorShift>>(total, XorShift(seed));
    return [state](std::uint8_t* buffer, std::size_t capacity) {
        std::size_t n = 0;
        while (n < capacity && state->first > 0) {
            const char* word = kWords[state->second.Next() % kWordCount];
            for (; *word && n < capacity && state->first > 0; ++word, --state->first)
                buffer[n++] = static_cast<std::uint8_t>(*word);
            if (n < capacity && state->first > 0) {
                buffer[n++] = ' ';
                --state->first;
            }
        }
        return n;
    };
}

std::string RandomBytes(std::size_t n, XorShift& random) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        const std::uint64_t v = random.Next();
        for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<char>(v >> (8 * k));
    }
    return bytes;
}

std::string Text(std::int64_t n, std::uint64_t seed) {
    std::string text(static_cast<std::size_t>(n), '\0');
    const PieceSource source = TextSource(n, seed);
    std::size_t at = 0;
    while (at < text.size()) at += source(reinterpret_cast<std::uint8_t*>(text.data()) + at, text.size() - at);
    return text;
}

void CopyPrefix(const std::string& from, const std::string& to, std::int64_t count) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    std::vector<char> buffer(1 << 20);
    while (count > 0) {
        const auto n =
            static_cast<std::streamsize>(std::min<std::int64_t>(count, static_cast<std::int64_t>(buffer.size())));
        in.read(buffer.data(), n);
        out.write(buffer.data(), n);
        count -= n;
    }
}

}  // namespace

void WriteManyMembers(const std::string& path, const std::string& cutPath) {
    XorShift random(1);
    std::int64_t centralStart = 0;
    {
        ArchiveFileWriter writer(path);
        char name[64];
        for (int i = 0; i < kManyMembers - 1; ++i) {
            std::snprintf(name, sizeof name, "Payload/App.app/res/file_%04d.bin", i);
            writer.Add(name, RandomBytes(kManyMemberSize, random), false);
        }
        writer.Add(kLastName, Text(3072, 9), true);
        writer.Finish();
        centralStart = writer.CentralDirStart();
    }
    CopyPrefix(path, cutPath, centralStart);
}

void WriteSmallMembers(const std::string& path) {
    ArchiveFileWriter writer(path);
    char name[64];
    for (int i = 0; i < kSmallMembers - 1; ++i) {
        std::snprintf(name, sizeof name, "Payload/App.app/Assets/image_%05d@2x.png", i);
        writer.Add(name, Text(100, static_cast<std::uint64_t>(i) + 11), false);
    }
    writer.Add(kLastName, Text(3072, 9), true);
    writer.Finish();
}

void WriteBigMember(const std::string& path) {
    ArchiveFileWriter writer(path);
    writer.Add(kBigName, TextSource(kBigSize, 5), true, 6);
    writer.Finish();
}

void WriteHugeMember(const std::string& path) {
    ArchiveFileWriter writer(path);
    writer.Add(kHugeName, TextSource(kHugeSize, 6), true, 1, true);
    writer.Finish();
}

BigMemberLayout ReadBigMemberLayout(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[30 + 64 + 20] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    auto u16 = [&](int at) { return static_cast<std::int64_t>(header[at] | header[at + 1] << 8); };
    const std::int64_t nameLength = u16(26);
    const std::int64_t extraLength = u16(28);
    if (nameLength > 64 || extraLength != 0) throw std::runtime_error("unexpected benchmark archive");
    auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
    return {30 + nameLength, u32(18), u32(22)};
}

}  // namespace bench
