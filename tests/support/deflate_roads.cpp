#include "tests/support/deflate_roads.h"

#include <zlib.h>

#include <sstream>

#include "archive/deflate_decoder.h"

namespace testing_support {
namespace {

// The pieces of the run: [start, end) offsets into the data.
std::vector<std::pair<std::size_t, std::size_t>> Pieces(const DecodeRun& run) {
    std::vector<std::pair<std::size_t, std::size_t>> pieces;
    std::size_t start = 0;
    for (const std::size_t cut : run.cuts) {
        if (cut <= start || cut >= run.data.size()) continue;
        pieces.emplace_back(start, cut);
        start = cut;
    }
    pieces.emplace_back(start, run.data.size());
    return pieces;
}

void Record(DecodeTrace& trace, std::span<const std::uint8_t> produced) {
    trace.callOutput.push_back(produced.size());
    trace.output.insert(trace.output.end(), produced.begin(), produced.end());
}

}  // namespace

std::string DecodeTrace::DifferenceFrom(const DecodeTrace& other) const {
    std::ostringstream out;
    if (outcome != other.outcome)
        out << "outcome " << static_cast<int>(outcome) << " against " << static_cast<int>(other.outcome) << "; ";
    if (callOutput.size() != other.callOutput.size())
        out << callOutput.size() << " calls against " << other.callOutput.size() << "; ";
    for (std::size_t i = 0; i < std::min(callOutput.size(), other.callOutput.size()); ++i) {
        if (callOutput[i] != other.callOutput[i]) {
            out << "call " << i << " gave " << callOutput[i] << " bytes against " << other.callOutput[i] << "; ";
            break;
        }
    }
    if (output != other.output) out << "output bytes differ; ";
    if (trailer != other.trailer) out << "trailer " << trailer << " against " << other.trailer << "; ";
    if (capped != other.capped) out << "capped " << capped << " against " << other.capped << "; ";
    return out.str();
}

DecodeTrace TraceZlib(const DecodeRun& run) {
    // The zlib header (deflate, 32 KiB window), then the data: the pieces' offsets shift by two.
    Bytes stream = {0x78, 0x01};
    stream.insert(stream.end(), run.data.begin(), run.data.end());
    z_stream z{};
    DecodeTrace trace;
    if (inflateInit2(&z, MAX_WBITS) != Z_OK) return trace;
    inflateValidate(&z, 0);
    Bytes out(run.room);
    bool first = true;
    for (const auto& [start, end] : Pieces(run)) {
        z.next_in = stream.data() + (first ? 0 : start + 2);
        z.avail_in = static_cast<uInt>(end + 2 - (first ? 0 : start + 2));
        first = false;
        for (;;) {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            const int result = inflate(&z, Z_NO_FLUSH);
            if (result < 0 && !(result == Z_BUF_ERROR && z.avail_in == 0)) {
                trace.outcome = DecodeTrace::Outcome::kFailed;
                inflateEnd(&z);
                return trace;
            }
            Record(trace, {out.data(), out.size() - z.avail_out});
            if (result == Z_STREAM_END) {
                const std::uint8_t* p = z.next_in - 4;
                trace.trailer = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
                trace.outcome = DecodeTrace::Outcome::kEnded;
                inflateEnd(&z);
                return trace;
            }
            if (trace.output.size() > run.outputCap) {
                trace.capped = true;
                inflateEnd(&z);
                return trace;
            }
            if (result == Z_BUF_ERROR || (z.avail_out != 0 && z.avail_in == 0)) break;
            if (run.dropRestWhenFull && z.avail_out == 0) break;
        }
    }
    inflateEnd(&z);
    return trace;
}

DecodeTrace TraceDecoder(const DecodeRun& run) {
    archive::DeflateDecoder decoder(run.room);
    DecodeTrace trace;
    for (const auto& [start, end] : Pieces(run)) {
        decoder.SetInput(run.data.subspan(start, end - start));
        for (;;) {
            const archive::DeflateStatus status = decoder.Decode();
            if (status == archive::DeflateStatus::kFailed) {
                trace.outcome = DecodeTrace::Outcome::kFailed;
                return trace;
            }
            Record(trace, decoder.Output());
            if (status == archive::DeflateStatus::kStreamEnd) {
                trace.trailer = decoder.Trailer();
                trace.outcome = DecodeTrace::Outcome::kEnded;
                return trace;
            }
            if (trace.output.size() > run.outputCap) {
                trace.capped = true;
                return trace;
            }
            if (status == archive::DeflateStatus::kNeedInput && decoder.Output().size() < run.room) break;
            if (run.dropRestWhenFull && decoder.Output().size() == run.room) break;
        }
    }
    return trace;
}

Bytes PlainData(std::mt19937& random, std::size_t size, int kind) {
    static const char* const kWords[] = {"key", "string", "dict", "<array>", "Payload", "itemId", " ", "\n"};
    Bytes plain;
    plain.reserve(size);
    if (kind < 0) kind = static_cast<int>(random() % 4);
    while (plain.size() < size) {
        if (kind == 0) {
            for (const char* w = kWords[random() % 8]; *w != '\0'; ++w) plain.push_back(static_cast<std::uint8_t>(*w));
        } else if (kind == 1) {
            plain.push_back(static_cast<std::uint8_t>(random()));
        } else if (kind == 2) {
            plain.push_back(0);
        } else if (random() % 2 == 0 || plain.size() < 300) {
            plain.push_back(static_cast<std::uint8_t>(random() % 16));
        } else {
            const std::size_t from = plain.size() - 1 - random() % 299;
            const std::size_t length = 3 + random() % 60;
            for (std::size_t i = 0; i < length; ++i) plain.push_back(plain[from + i]);
        }
    }
    plain.resize(size);
    return plain;
}

Bytes RawDeflate(std::span<const std::uint8_t> plain, int level, int windowBits, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -windowBits, 8, strategy);
    Bytes out(deflateBound(&z, static_cast<uLong>(plain.size())) + 64);
    z.next_in = const_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes AdlerTrailer(std::span<const std::uint8_t> plain) {
    const auto sum = static_cast<std::uint32_t>(adler32(1L, plain.data(), static_cast<uInt>(plain.size())));
    return {static_cast<std::uint8_t>(sum >> 24), static_cast<std::uint8_t>(sum >> 16),
            static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)};
}

}  // namespace testing_support
