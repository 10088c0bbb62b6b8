// Holds the reader's deflate decoder to zlib's inflate on any data: the input
// is three bytes of settings, then raw deflate data. Both decoders run over the
// data in the same pieces with the same room per call (tests/support/
// deflate_roads.h), and the item decoder runs against its zlib-driven
// reference over the data as a member with a declared size; any difference in
// output, calls, verdict or trailer stops the fuzzer.
//
// Settings: byte 0 the room per call, byte 1 the pieces (whole, or pieces of
// 1-64 bytes), byte 2 whether rests of pieces are dropped after full calls, the
// member's declared size and how its trailer's sum is taken.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "archive/item_decoder.h"
#include "platform/stream.h"
#include "tests/support/deflate_roads.h"
#include "tests/support/zlib_item_decoder.h"

namespace {

using namespace testing_support;

// Enough for a bomb's output to show, small enough for many runs a second.
constexpr std::size_t kOutputCap = std::size_t{4} << 20;

[[noreturn]] void Differ(const char* what, const std::string& detail) {
    std::fprintf(stderr, "deflate_fuzzer: %s differ: %s\n", what, detail.c_str());
    std::abort();
}

std::size_t Room(std::uint8_t setting, std::size_t dataSize) {
    static const std::size_t kRooms[] = {1, 2, 3, 7, 64, 257, 258, 289, 290, 291, 1000, 4096, 65536, 1 << 20};
    if (setting < 128) return kRooms[setting % std::size(kRooms)];
    return 1 + (setting - 128) * (dataSize + 1) / 16;  // relative to the data
}

std::vector<std::size_t> Cuts(std::uint8_t setting, std::size_t dataSize) {
    std::vector<std::size_t> cuts;
    if (setting < 128) return cuts;
    const std::size_t piece = 1 + setting % 64;
    for (std::size_t at = piece; at < dataSize; at += piece) cuts.push_back(at);
    return cuts;
}

void CompareTraces(std::span<const std::uint8_t> data, const std::uint8_t* settings) {
    DecodeRun run{data, Cuts(settings[1], data.size()), Room(settings[0], data.size())};
    run.outputCap = kOutputCap;
    run.dropRestWhenFull = (settings[2] & 1) != 0;
    const DecodeTrace reference = TraceZlib(run);
    const DecodeTrace decoder = TraceDecoder(run);
    if (!(decoder == reference)) Differ("decoder traces", decoder.DifferenceFrom(reference));
}

struct MemberOutcome {
    bool ok = false;
    std::int64_t written = 0;
    std::uint32_t crc = 0;
    std::vector<std::int64_t> progress;
    std::int64_t sourceEnd = 0;
    std::vector<std::uint8_t> output;
    bool operator==(const MemberOutcome&) const = default;
};

template <typename Decoder>
MemberOutcome DecodeMember(std::span<const std::uint8_t> data, std::int64_t declared,
                           archive::ItemData::TrailerSum sum) {
    platform::MemoryStream source;
    source.WriteBuffer(data.data(), data.size());
    source.SetPosition(0);
    platform::MemoryStream output;
    MemberOutcome outcome;
    archive::DecoderEvents events;
    events.progress = [&](std::int64_t p) {
        outcome.progress.push_back(p);
        return false;
    };
    archive::ItemData item{archive::kMethodDeflated, static_cast<std::int64_t>(data.size()), declared, nullptr};
    item.trailerSum = sum;
    Decoder decoder(source, output, item, events);
    outcome.ok = decoder.Run();
    outcome.written = decoder.BytesWritten();
    outcome.crc = decoder.Crc();
    outcome.sourceEnd = source.Position();
    outcome.output.assign(output.Data().begin(), output.Data().end());
    return outcome;
}

void CompareMembers(std::span<const std::uint8_t> data, std::uint8_t setting) {
    // Declared sizes: small, about the data's, or far larger.
    static const std::int64_t kDeclared[] = {0, 1, 100, 1000, 65536, 1 << 20};
    const std::int64_t declared = (setting & 8) ? static_cast<std::int64_t>(data.size()) * ((setting >> 4) + 1)
                                                : kDeclared[(setting >> 4) % std::size(kDeclared)];
    const auto sum = (setting & 2) ? archive::ItemData::TrailerSum::kAlways : archive::ItemData::TrailerSum::kOnDemand;
    const MemberOutcome reference = DecodeMember<ZlibItemDecoder>(data, declared, sum);
    const MemberOutcome decoded = DecodeMember<archive::ItemDecoder>(data, declared, sum);
    if (!(decoded == reference)) Differ("item decoder outcomes", decoded.ok == reference.ok ? "output" : "verdict");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::span<const std::uint8_t> deflate(data + 3, size - 3);
    CompareTraces(deflate, data);
    CompareMembers(deflate, data[2]);
    return 0;
}
