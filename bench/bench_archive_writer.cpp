#include "bench/bench_archive_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace bench {
namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;
constexpr std::size_t kPiece = 1 << 20;

std::string Le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(std::uint32_t v) {
    return Le16(static_cast<std::uint16_t>(v)) + Le16(static_cast<std::uint16_t>(v >> 16));
}
std::string Le64(std::uint64_t v) {
    return Le32(static_cast<std::uint32_t>(v)) + Le32(static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t Field32(std::uint64_t value) { return value >= kAllOnes ? kAllOnes : static_cast<std::uint32_t>(value); }

constexpr std::size_t kLocalZip64Size = 20;

// Local header, with room for a zip64 block when asked; crc and sizes are
// patched in after the data.
std::string LocalHeader(const std::string& name, std::uint16_t method, bool zip64) {
    const std::string extra = zip64 ? Le16(0x0001) + Le16(16) + Le64(0) + Le64(0) : std::string();
    const std::uint32_t sizes = zip64 ? kAllOnes : 0;
    return Le32(0x04034B50) + Le16(zip64 ? 45 : 20) + Le16(0) + Le16(method) + Le16(0x6000) + Le16(0x5A21) + Le32(0) +
           Le32(sizes) + Le32(sizes) + Le16(static_cast<std::uint16_t>(name.size())) +
           Le16(static_cast<std::uint16_t>(extra.size())) + name + extra;
}

}  // namespace

ArchiveFileWriter::ArchiveFileWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) throw std::runtime_error("cannot create " + path);
}

ArchiveFileWriter::~ArchiveFileWriter() {
    if (file_) std::fclose(file_);
}

void ArchiveFileWriter::Put(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) throw std::runtime_error("write failed");
    position_ += bytes.size();
}

void ArchiveFileWriter::PutAt(std::uint64_t offset, const std::string& bytes) {
    std::fflush(file_);
    fseeko(file_, static_cast<off_t>(offset), SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    fseeko(file_, static_cast<off_t>(position_), SEEK_SET);
}

void ArchiveFileWriter::Add(const std::string& name, const PieceSource& source, bool compress, int level, bool zip64) {
    Entry entry{name, static_cast<std::uint16_t>(compress ? 8 : 0), 0, 0, 0, position_};
    Put(LocalHeader(name, entry.method, zip64));
    z_stream z{};
    if (compress && deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string in(kPiece, '\0'), out(kPiece + 1024, '\0');
    uLong crc = crc32(0L, Z_NULL, 0);
    for (bool last = false; !last;) {
        const std::size_t n = source(reinterpret_cast<std::uint8_t*>(in.data()), in.size());
        last = n == 0;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n));
        entry.uncompSize += n;
        if (!compress) {
            Put(in.substr(0, n));
            continue;
        }
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            Put(out.substr(0, out.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    if (compress) deflateEnd(&z);
    entry.crc = static_cast<std::uint32_t>(crc);
    entry.compSize = position_ - entry.offset - 30 - name.size() - (zip64 ? kLocalZip64Size : 0);
    PutAt(entry.offset + 14, Le32(entry.crc));
    if (zip64) {
        PutAt(entry.offset + 30 + name.size() + 4, Le64(entry.uncompSize) + Le64(entry.compSize));
    } else {
        if (entry.compSize >= kAllOnes || entry.uncompSize >= kAllOnes) throw std::runtime_error("member needs zip64");
        PutAt(entry.offset + 18,
              Le32(static_cast<std::uint32_t>(entry.compSize)) + Le32(static_cast<std::uint32_t>(entry.uncompSize)));
    }
    entries_.push_back(entry);
}

void ArchiveFileWriter::Add(const std::string& name, const std::string& data, bool compress) {
    std::size_t at = 0;
    Add(
        name,
        [&](std::uint8_t* buffer, std::size_t capacity) {
            const std::size_t n = std::min(capacity, data.size() - at);
            std::copy(data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + n), buffer);
            at += n;
            return n;
        },
        compress);
}

std::int64_t ArchiveFileWriter::Finish() {
    centralStart_ = static_cast<std::int64_t>(position_);
    for (const Entry& e : entries_) {
        const bool big = e.compSize >= kAllOnes || e.uncompSize >= kAllOnes || e.offset >= kAllOnes;
        const std::string extra =
            big ? Le16(0x0001) + Le16(24) + Le64(e.uncompSize) + Le64(e.compSize) + Le64(e.offset) : std::string();
        Put(Le32(0x02014B50) + Le16(45) + Le16(45) + Le16(0) + Le16(e.method) + Le16(0x6000) + Le16(0x5A21) +
            Le32(e.crc) + Le32(big ? kAllOnes : Field32(e.compSize)) + Le32(big ? kAllOnes : Field32(e.uncompSize)) +
            Le16(static_cast<std::uint16_t>(e.name.size())) + Le16(static_cast<std::uint16_t>(extra.size())) + Le16(0) +
            Le16(0) + Le16(0) + Le32(0x20) + Le32(big ? kAllOnes : Field32(e.offset)) + e.name + extra);
    }
    const std::uint64_t dirSize = position_ - static_cast<std::uint64_t>(centralStart_);
    const std::uint64_t count = entries_.size();
    const std::uint64_t zip64End = position_;
    Put(Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(count) + Le64(count) +
        Le64(dirSize) + Le64(static_cast<std::uint64_t>(centralStart_)));
    Put(Le32(0x07064B50) + Le32(0) + Le64(zip64End) + Le32(1));
    const auto entries16 = static_cast<std::uint16_t>(count >= 0xFFFF ? 0xFFFF : count);
    Put(Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(entries16) + Le16(entries16) + Le32(Field32(dirSize)) +
        Le32(Field32(static_cast<std::uint64_t>(centralStart_))) + Le16(0));
    std::fflush(file_);
    return static_cast<std::int64_t>(position_);
}

}  // namespace bench
