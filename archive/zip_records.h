#pragma once
// The on-disk ZIP records the reader relies on (PKWARE APPNOTE 4.3), decoded
// from and encoded to their packed little-endian layout.

#include <array>
#include <cstdint>
#include <span>

namespace archive {

inline constexpr std::uint32_t kLocalFileHeaderSignature = 0x04034B50;     // APPNOTE 4.3.7
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;      // APPNOTE 4.3.9
inline constexpr std::uint32_t kCentralDirSignature = 0x02014B50;          // APPNOTE 4.3.12
inline constexpr std::uint32_t kZip64CentralDirEndSignature = 0x06064B50;  // APPNOTE 4.3.14
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;        // APPNOTE 4.3.15
inline constexpr std::uint32_t kCentralDirEndSignature = 0x06054B50;       // APPNOTE 4.3.16

inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;

// APPNOTE 4.3.16: end of central directory record, 22 bytes plus the comment.
struct TZFZipCentralDirEnd {
    static constexpr std::size_t kSize = 22;
    std::uint32_t signature = 0;
    std::uint16_t diskNumber = 0;
    std::uint16_t startDiskNumber = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t entriesCentralDir = 0;
    std::uint32_t centralDirSize = 0;
    std::uint32_t offsetStartDir = 0;
    std::uint16_t commentLength = 0;

    // Whether a field holds its zip64 mark (all ones), its value being in the
    // zip64 end record.
    bool NeedsZip64() const;

    static TZFZipCentralDirEnd Decode(std::span<const std::uint8_t, kSize> bytes);
    std::array<std::uint8_t, kSize> Encode() const;
};

// APPNOTE 4.3.15: zip64 end of central directory locator, 20 bytes.
struct TZFZip64CentralDirEndLocator {
    static constexpr std::size_t kSize = 20;
    std::uint32_t signature = 0;
    std::uint32_t startDiskNumber = 0;
    std::int64_t offsetStartDirEnd = 0;
    std::uint32_t totalNumberOfDisks = 0;

    static TZFZip64CentralDirEndLocator Decode(std::span<const std::uint8_t, kSize> bytes);
};

// APPNOTE 4.3.14: zip64 end of central directory record; the fixed 56 bytes.
struct TZFZip64CentralDirEnd {
    static constexpr std::size_t kSize = 56;
    std::uint32_t signature = 0;
    std::int64_t centralDirEndSize = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeededToExtract = 0;
    std::uint32_t diskNumber = 0;
    std::uint32_t startDiskNumber = 0;
    std::int64_t entriesOnDisk = 0;
    std::int64_t entriesCentralDir = 0;
    std::int64_t centralDirSize = 0;
    std::int64_t offsetStartDir = 0;

    static TZFZip64CentralDirEnd Decode(std::span<const std::uint8_t, kSize> bytes);
};

// APPNOTE 4.3.12: central directory file header, 46 bytes plus name, extra field
// and comment. The reader takes the bytes as they stand (no signature test).
struct TZFZipCentralDir {
    static constexpr std::size_t kSize = 46;
    std::uint32_t signature = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t extractVersion = 0;
    std::uint16_t genPurposeFlag = 0;
    std::uint16_t compMethod = 0;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compSize = 0;
    std::uint32_t unCompSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttr = 0;
    std::uint32_t externalAttr = 0;
    std::uint32_t relOffsetLH = 0;

    static TZFZipCentralDir Decode(std::span<const std::uint8_t, kSize> bytes);
};

// APPNOTE 4.3.7: local file header, 30 bytes plus name and extra field.
struct LocalFileHeader {
    static constexpr std::size_t kSize = 30;
    std::uint32_t signature = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flag = 0;
    std::uint16_t method = 0;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compSize = 0;
    std::uint32_t unCompSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;

    static LocalFileHeader Decode(std::span<const std::uint8_t, kSize> bytes);
};

// APPNOTE 4.3.9: data descriptor with its optional signature, 16 bytes.
struct DataDescriptor {
    static constexpr std::size_t kSize = 16;
    std::uint32_t signature = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compSize = 0;
    std::uint32_t unCompSize = 0;

    static DataDescriptor Decode(std::span<const std::uint8_t, kSize> bytes);
};

// General purpose flag bits (APPNOTE 4.4.4).
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;

// Central extractVersion at or above which an item is taken as written with the
// strong-encryption scheme: no classic or AES marks, no CRC test.
inline constexpr std::uint16_t kStrongEncryptionVersion = 0x4114;

}  // namespace archive
