#include "tests/support/zip_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace testing_support {
namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;

struct Encoded {
    std::string stored;  // the bytes between local header and descriptor
    std::uint32_t crc = 0;
    std::uint64_t compSize = 0;
    std::uint64_t uncompSize = 0;
};

Encoded Encode(const ZipMember& m) {
    Encoded e;
    e.stored = m.rawData ? *m.rawData : (m.method == 8 ? RawDeflate(m.data) : m.data);
    e.crc = m.crcOverride ? *m.crcOverride : Crc32(m.data);
    e.compSize = e.stored.size();
    e.uncompSize = m.data.size();
    return e;
}

std::string LocalHeader(const ZipMember& m, const Encoded& e, std::uint16_t flags, const std::string& extra) {
    const bool descriptor = m.dataDescriptor;
    const std::uint32_t crc = descriptor ? 0 : e.crc;
    std::uint32_t comp = descriptor ? 0 : static_cast<std::uint32_t>(e.compSize);
    std::uint32_t uncomp = descriptor ? 0 : static_cast<std::uint32_t>(e.uncompSize);
    if (m.zip64) comp = uncomp = kAllOnes;
    return Le32(0x04034B50) + Le16(m.extractVersion) + Le16(flags) + Le16(m.method) + Le16(m.time) + Le16(m.date) +
           Le32(crc) + Le32(comp) + Le32(uncomp) + Le16(static_cast<std::uint16_t>(m.name.size())) +
           Le16(static_cast<std::uint16_t>(extra.size())) + m.name + extra;
}

std::string CentralHeader(const ZipMember& m, const Encoded& e, std::uint16_t flags, std::uint64_t offset) {
    std::string extra = m.centralExtra;
    std::uint32_t comp = static_cast<std::uint32_t>(e.compSize);
    std::uint32_t uncomp = static_cast<std::uint32_t>(e.uncompSize);
    std::uint32_t rel = static_cast<std::uint32_t>(offset);
    if (m.zip64) {
        extra = ExtraBlock(0x0001, Le64(e.uncompSize) + Le64(e.compSize) + Le64(offset)) + extra;
        comp = uncomp = rel = kAllOnes;
    }
    return Le32(0x02014B50) + Le16(m.versionMadeBy) + Le16(m.extractVersion) + Le16(flags) + Le16(m.method) +
           Le16(m.time) + Le16(m.date) + Le32(e.crc) + Le32(comp) + Le32(uncomp) +
           Le16(static_cast<std::uint16_t>(m.name.size())) + Le16(static_cast<std::uint16_t>(extra.size())) +
           Le16(static_cast<std::uint16_t>(m.comment.size())) + Le16(0) + Le16(m.internalAttr) + Le32(m.externalAttr) +
           Le32(rel) + m.name + extra + m.comment;
}

}  // namespace

std::uint16_t ZipLayout::U16(std::int64_t at) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t ZipLayout::U32(std::int64_t at) const {
    return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
}

void ZipLayout::SetU16(std::int64_t at, std::uint16_t value) {
    bytes.replace(static_cast<std::size_t>(at), 2, Le16(value));
}
void ZipLayout::SetU32(std::int64_t at, std::uint32_t value) {
    bytes.replace(static_cast<std::size_t>(at), 4, Le32(value));
}
void ZipLayout::SetU64(std::int64_t at, std::uint64_t value) {
    bytes.replace(static_cast<std::size_t>(at), 8, Le64(value));
}

ZipWriter& ZipWriter::Add(ZipMember member) {
    members_.push_back(std::move(member));
    return *this;
}

ZipWriter& ZipWriter::AddStored(std::string name, std::string data) {
    return Add(ZipMember{.name = std::move(name), .data = std::move(data)});
}

ZipWriter& ZipWriter::AddDeflated(std::string name, std::string data) {
    return Add(ZipMember{.name = std::move(name), .data = std::move(data), .method = 8});
}

ZipWriter& ZipWriter::Comment(std::string comment) {
    comment_ = std::move(comment);
    return *this;
}

ZipWriter& ZipWriter::Stub(std::string prefix, bool offsetsCountStub) {
    stub_ = std::move(prefix);
    offsetsCountStub_ = offsetsCountStub;
    return *this;
}

ZipWriter& ZipWriter::Zip64Records(bool markEndRecord) {
    zip64Records_ = true;
    markEndRecord_ = markEndRecord;
    return *this;
}

ZipLayout ZipWriter::Build() const {
    ZipLayout z;
    z.bytes = stub_;
    const std::uint64_t base = offsetsCountStub_ ? 0 : stub_.size();
    std::vector<Encoded> encoded;
    for (const ZipMember& m : members_) {
        const Encoded e = Encode(m);
        const std::uint16_t flags = m.flags | (m.dataDescriptor ? 0x0008 : 0);
        const std::string localExtra =
            m.zip64 ? ExtraBlock(0x0001, Le64(e.uncompSize) + Le64(e.compSize)) + m.localExtra : m.localExtra;
        z.localHeaders.push_back(static_cast<std::int64_t>(z.bytes.size()));
        z.bytes += LocalHeader(m, e, flags, localExtra) + e.stored;
        if (m.dataDescriptor) {
            z.bytes += Le32(0x08074B50) + Le32(e.crc) + Le32(static_cast<std::uint32_t>(e.compSize)) +
                       Le32(static_cast<std::uint32_t>(e.uncompSize));
        }
        encoded.push_back(e);
    }
    z.centralDirStart = static_cast<std::int64_t>(z.bytes.size());
    for (std::size_t i = 0; i < members_.size(); ++i) {
        const ZipMember& m = members_[i];
        const std::uint16_t flags = m.flags | (m.dataDescriptor ? 0x0008 : 0);
        z.centralHeaders.push_back(static_cast<std::int64_t>(z.bytes.size()));
        z.bytes += CentralHeader(m, encoded[i], flags, static_cast<std::uint64_t>(z.localHeaders[i]) - base);
    }
    z.centralDirSize = static_cast<std::int64_t>(z.bytes.size()) - z.centralDirStart;
    const std::uint64_t count = members_.size();
    const std::uint64_t dirOffset = static_cast<std::uint64_t>(z.centralDirStart) - base;
    if (zip64Records_) {
        z.zip64EndRecord = static_cast<std::int64_t>(z.bytes.size());
        z.bytes += Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(count) + Le64(count) +
                   Le64(static_cast<std::uint64_t>(z.centralDirSize)) + Le64(dirOffset);
        z.zip64Locator = static_cast<std::int64_t>(z.bytes.size());
        z.bytes += Le32(0x07064B50) + Le32(0) + Le64(static_cast<std::uint64_t>(z.zip64EndRecord) - base) + Le32(1);
    }
    const bool mark = zip64Records_ && markEndRecord_;
    const auto entries = static_cast<std::uint16_t>(mark ? 0xFFFF : count);
    z.endRecord = static_cast<std::int64_t>(z.bytes.size());
    z.bytes += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(entries) + Le16(entries) +
               Le32(mark ? kAllOnes : static_cast<std::uint32_t>(z.centralDirSize)) +
               Le32(mark ? kAllOnes : static_cast<std::uint32_t>(dirOffset)) +
               Le16(static_cast<std::uint16_t>(comment_.size())) + comment_;
    return z;
}

std::string RawDeflate(std::string_view data) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    return out;
}

std::uint32_t Crc32(std::string_view data) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string Le16(std::uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::string Le32(std::uint32_t value) {
    return Le16(static_cast<std::uint16_t>(value)) + Le16(static_cast<std::uint16_t>(value >> 16));
}

std::string Le64(std::uint64_t value) {
    return Le32(static_cast<std::uint32_t>(value)) + Le32(static_cast<std::uint32_t>(value >> 32));
}

std::string ExtraBlock(std::uint16_t id, std::string_view data) {
    return Le16(id) + Le16(static_cast<std::uint16_t>(data.size())) + std::string(data);
}

}  // namespace testing_support
