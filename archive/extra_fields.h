#pragma once
// The extra field of a central (or rebuilt) item: every block is kept; the
// zip64 block (0x0001), the Unicode name block (0x554E) and the AES block
// (0x9901) are interpreted.

#include <cstdint>
#include <span>
#include <string>

#include "archive/dir_array.h"
#include "archive/stream_reader.h"

namespace archive {

// Reader of a Unicode name block: "NUCX", a count N, N UTF-16LE code units.
class TUnicodeExtendedInfo {
public:
    static constexpr std::uint32_t kSignature = 0x5843554E;  // bytes "NUCX"

    // False when the block is not a complete Unicode name block.
    bool Load(std::span<const std::uint8_t> pData);

    std::uint32_t FAdditionalSignature = 0;
    std::u16string FName;
};

// Reads `extraLength` bytes of extra field from `source` into item `index` of
// `dir`: its ExtraFields, bHugeFile, Zip64ExtInfo, ZFEncryptionAlgorithm,
// CompressionMethod, and its name (through SetItemName, native code 59).
// A short read throws the stream layer's EReadError.
void ReadExtraFields(ByteSource& source, std::uint16_t extraLength, TZFDirArray& dir, std::int32_t index);

}  // namespace archive
