#include "archive/zip_records.h"

#include "archive/byte_reader.h"

namespace archive {

TZFZipCentralDirEnd TZFZipCentralDirEnd::Decode(std::span<const std::uint8_t, kSize> bytes) {
    ByteReader in(bytes);
    TZFZipCentralDirEnd r;
    r.signature = in.U32();
    r.diskNumber = in.U16();
    r.startDiskNumber = in.U16();
    r.entriesOnDisk = in.U16();
    r.entriesCentralDir = in.U16();
    r.centralDirSize = in.U32();
    r.offsetStartDir = in.U32();
    r.commentLength = in.U16();
    return r;
}

bool TZFZipCentralDirEnd::NeedsZip64() const {
    return diskNumber == kZip64Marker16 || startDiskNumber == kZip64Marker16 || entriesOnDisk == kZip64Marker16 ||
           entriesCentralDir == kZip64Marker16 || centralDirSize == kZip64Marker32 || offsetStartDir == kZip64Marker32;
}

std::array<std::uint8_t, TZFZipCentralDirEnd::kSize> TZFZipCentralDirEnd::Encode() const {
    std::array<std::uint8_t, kSize> bytes{};
    std::size_t at = 0;
    const auto put = [&](std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) bytes[at++] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(signature, 4);
    put(diskNumber, 2);
    put(startDiskNumber, 2);
    put(entriesOnDisk, 2);
    put(entriesCentralDir, 2);
    put(centralDirSize, 4);
    put(offsetStartDir, 4);
    put(commentLength, 2);
    return bytes;
}

TZFZip64CentralDirEndLocator TZFZip64CentralDirEndLocator::Decode(std::span<const std::uint8_t, kSize> bytes) {
    ByteReader in(bytes);
    TZFZip64CentralDirEndLocator r;
    r.signature = in.U32();
    r.startDiskNumber = in.U32();
    r.offsetStartDirEnd = in.I64();
    r.totalNumberOfDisks = in.U32();
    return r;
}

TZFZip64CentralDirEnd TZFZip64CentralDirEnd::Decode(std::span<const std::uint8_t, kSize> bytes) {
    ByteReader in(bytes);
    TZFZip64CentralDirEnd r;
    r.signature = in.U32();
    r.centralDirEndSize = in.I64();
    r.versionMadeBy = in.U16();
    r.versionNeededToExtract = in.U16();
    r.diskNumber = in.U32();
    r.startDiskNumber = in.U32();
    r.entriesOnDisk = in.I64();
    r.entriesCentralDir = in.I64();
    r.centralDirSize = in.I64();
    r.offsetStartDir = in.I64();
    return r;
}

// Every field at its fixed offset: the directory decodes one header per item.
TZFZipCentralDir TZFZipCentralDir::Decode(std::span<const std::uint8_t, kSize> bytes) {
    TZFZipCentralDir r;
    r.signature = LoadU32(bytes, 0);
    r.versionMadeBy = LoadU16(bytes, 4);
    r.extractVersion = LoadU16(bytes, 6);
    r.genPurposeFlag = LoadU16(bytes, 8);
    r.compMethod = LoadU16(bytes, 10);
    r.lastModTime = LoadU16(bytes, 12);
    r.lastModDate = LoadU16(bytes, 14);
    r.crc32 = LoadU32(bytes, 16);
    r.compSize = LoadU32(bytes, 20);
    r.unCompSize = LoadU32(bytes, 24);
    r.nameLength = LoadU16(bytes, 28);
    r.extraLength = LoadU16(bytes, 30);
    r.commentLength = LoadU16(bytes, 32);
    r.diskNumberStart = LoadU16(bytes, 34);
    r.internalAttr = LoadU16(bytes, 36);
    r.externalAttr = LoadU32(bytes, 38);
    r.relOffsetLH = LoadU32(bytes, 42);
    return r;
}

LocalFileHeader LocalFileHeader::Decode(std::span<const std::uint8_t, kSize> bytes) {
    ByteReader in(bytes);
    LocalFileHeader r;
    r.signature = in.U32();
    r.versionNeeded = in.U16();
    r.flag = in.U16();
    r.method = in.U16();
    r.lastModTime = in.U16();
    r.lastModDate = in.U16();
    r.crc32 = in.U32();
    r.compSize = in.U32();
    r.unCompSize = in.U32();
    r.nameLength = in.U16();
    r.extraLength = in.U16();
    return r;
}

DataDescriptor DataDescriptor::Decode(std::span<const std::uint8_t, kSize> bytes) {
    ByteReader in(bytes);
    DataDescriptor r;
    r.signature = in.U32();
    r.crc32 = in.U32();
    r.compSize = in.U32();
    r.unCompSize = in.U32();
    return r;
}

}  // namespace archive
