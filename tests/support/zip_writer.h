#pragma once
// A small ZIP writer for tests: stored and deflated members, raw name bytes,
// extra fields, comments, zip64 records, a stub in front, data descriptors and
// any flag bits. Build() returns the bytes with the position of every record,
// so that a hostile case is a good archive plus one named mutation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct ZipMember {
    std::string name{};  // name bytes exactly as stored
    std::string data{};  // the member's uncompressed content
    // 0 stores the data, 8 deflates it; any other method stores the data as given.
    std::uint16_t method = 0;
    std::uint16_t flags = 0;  // general purpose bits (bit 3 is added for a data descriptor)
    std::string localExtra{};
    std::string centralExtra{};
    std::string comment{};
    std::uint16_t versionMadeBy = 20;
    std::uint16_t extractVersion = 20;
    std::uint16_t time = 0x6000;
    std::uint16_t date = 0x5A21;
    std::uint16_t internalAttr = 0;
    std::uint32_t externalAttr = 0x20;
    // Sizes and crc-32 after the data (bit 3), zeros in the local header.
    bool dataDescriptor = false;
    // Central sizes and offset as 0xFFFFFFFF with a zip64 block (0x0001) put in
    // front of the central extra field.
    bool zip64 = false;
    std::optional<std::uint32_t> crcOverride{};
    std::optional<std::string> rawData{};  // stored bytes used in place of the encoded data
};

struct ZipLayout {
    std::string bytes;
    std::vector<std::int64_t> localHeaders;    // file positions
    std::vector<std::int64_t> centralHeaders;  // file positions
    std::int64_t centralDirStart = 0;
    std::int64_t centralDirSize = 0;
    std::int64_t zip64EndRecord = -1;
    std::int64_t zip64Locator = -1;
    std::int64_t endRecord = 0;

    // Little-endian field access at a file position.
    std::uint16_t U16(std::int64_t at) const;
    std::uint32_t U32(std::int64_t at) const;
    void SetU16(std::int64_t at, std::uint16_t value);
    void SetU32(std::int64_t at, std::uint32_t value);
    void SetU64(std::int64_t at, std::uint64_t value);
};

// Field offsets inside the records (APPNOTE 4.3).
namespace zipfield {
inline constexpr int kEndDiskNumber = 4, kEndStartDisk = 6, kEndEntriesOnDisk = 8, kEndEntries = 10, kEndDirSize = 12,
                     kEndDirOffset = 16, kEndCommentLength = 20;
inline constexpr int kCdVersionMadeBy = 4, kCdExtractVersion = 6, kCdFlag = 8, kCdMethod = 10, kCdTime = 12,
                     kCdDate = 14, kCdCrc = 16, kCdCompSize = 20, kCdUncompSize = 24, kCdNameLength = 28,
                     kCdExtraLength = 30, kCdCommentLength = 32, kCdDiskStart = 34, kCdInternalAttr = 36,
                     kCdExternalAttr = 38, kCdLocalOffset = 42;
inline constexpr int kLhVersion = 4, kLhFlag = 6, kLhMethod = 8, kLhTime = 10, kLhDate = 12, kLhCrc = 14,
                     kLhCompSize = 18, kLhUncompSize = 22, kLhNameLength = 26, kLhExtraLength = 28;
inline constexpr int kZ64Entries = 32, kZ64DirSize = 40, kZ64DirOffset = 48;
inline constexpr int kLocOffset = 8, kLocDisks = 16;
}  // namespace zipfield

class ZipWriter {
public:
    ZipWriter& Add(ZipMember member);
    ZipWriter& AddStored(std::string name, std::string data);
    ZipWriter& AddDeflated(std::string name, std::string data);
    ZipWriter& Comment(std::string comment);
    // Bytes in front of the archive. With `offsetsCountStub` the stored offsets
    // are file positions; otherwise they count from the archive's own start.
    ZipWriter& Stub(std::string prefix, bool offsetsCountStub);
    // Writes a zip64 end record and locator in front of the end record; with
    // `markEndRecord` the end record's counts, size and offset are all ones.
    ZipWriter& Zip64Records(bool markEndRecord = true);

    ZipLayout Build() const;

private:
    std::vector<ZipMember> members_;
    std::string comment_;
    std::string stub_;
    bool offsetsCountStub_ = true;
    bool zip64Records_ = false;
    bool markEndRecord_ = true;
};

// Raw deflate (no zlib header or trailer) and the ZIP crc-32, as writers use them.
std::string RawDeflate(std::string_view data);
std::uint32_t Crc32(std::string_view data);

// Little-endian bytes of a value, for assembling extra fields by hand.
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
std::string Le64(std::uint64_t value);
// One extra-field block: id, data size, data.
std::string ExtraBlock(std::uint16_t id, std::string_view data);

}  // namespace testing_support
