#pragma once
// One archive member as loaded from the central directory (or rebuilt from its
// local header), with its decoded name and every extra-field block.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/zip_records.h"

namespace platform {
class Stream;
}

namespace archive {

enum TZFCryptoAlgorithm : std::uint8_t { caPkzipClassic, caAES_128, caAES_192, caAES_256 };

enum TZFProcessOperation : std::uint8_t {
    poAdd,
    poMove,
    poDelete,
    poUpdate,
    poRename,
    poChangeAttr,
    poChangeComment,
    poExtract,
    poTest
};

// Extra-field block IDs that the reader interprets (APPNOTE 4.5, 4.6).
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kUnicodeNameExtraId = 0x554E;  // bytes "NU"
inline constexpr std::uint16_t kAesExtraId = 0x9901;

// One extra-field block as stored: its header and its own copy of the data.
struct TZFExtraFieldDataBlock {
    std::uint16_t headerID = 0;
    std::uint16_t dataSize = 0;
    std::vector<std::uint8_t> pData;  // dataSize bytes
};

// Values of the zip64 block; only those whose central field is all ones are set.
struct TZFZip64ExtendedInfo {
    std::int64_t uncompSize = 0;
    std::int64_t compSize = 0;
    std::int64_t relOffsetLH = 0;
    std::uint32_t diskNumberStart = 0;
};

struct TDirItem {
    TZFZipCentralDir CentralDir;
    std::u16string Name;
    std::u16string OldName;
    std::string Comment;
    std::vector<TZFExtraFieldDataBlock> ExtraFields;
    TZFCryptoAlgorithm ZFEncryptionAlgorithm = caPkzipClassic;
    bool bHugeFile = false;
    TZFZip64ExtendedInfo Zip64ExtInfo;
    bool Modified = false;
    std::string Password;
    platform::Stream* Stream = nullptr;  // not owned on the read road
    bool bDestroyStream = false;
    std::int32_t Position = 0;
    bool Tagged = false;
    std::u16string SrcFileName;
    std::uint16_t CompressionMethod = 0;
    std::uint8_t CompressionMode = 0;
    TZFProcessOperation Operation = poAdd;
    bool UseOldRijndael = false;

    // The sizes and offset, each the zip64 value where the central field is all ones.
    std::int64_t CompressedSize() const {
        return CentralDir.compSize == kZip64Marker32 ? Zip64ExtInfo.compSize : CentralDir.compSize;
    }
    std::int64_t UncompressedSize() const {
        return CentralDir.unCompSize == kZip64Marker32 ? Zip64ExtInfo.uncompSize : CentralDir.unCompSize;
    }
    std::int64_t LocalHeaderOffset() const {
        return CentralDir.relOffsetLH == kZip64Marker32 ? Zip64ExtInfo.relOffsetLH : CentralDir.relOffsetLH;
    }
};

}  // namespace archive
