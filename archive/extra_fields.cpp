#include "archive/extra_fields.h"

#include <optional>
#include <utility>

#include "archive/byte_reader.h"
#include "archive/dir_array.h"
#include "archive/item_name_decoding.h"

namespace archive {
namespace {

constexpr std::size_t kAesBlockSize = 7;

// The zip64 block holds, in this order, only the values whose central field is
// all ones. A value that would run past the block's end is not taken, and
// nothing after it is.
void ReadZip64Block(std::span<const std::uint8_t> data, const TZFZipCentralDir& cd, TZFZip64ExtendedInfo& info) {
    ByteReader in(data);
    const auto take64 = [&](std::int64_t& target, std::uint8_t given) {
        if (in.Remaining() == 0) return true;  // nothing left at this offset: skip quietly
        if (in.Remaining() < 8) return false;
        target = in.I64();
        info.given |= given;
        return true;
    };
    using Given = TZFZip64ExtendedInfo;
    if (cd.unCompSize == kZip64Marker32 && !take64(info.uncompSize, Given::kUncompSizeGiven)) return;
    if (cd.compSize == kZip64Marker32 && !take64(info.compSize, Given::kCompSizeGiven)) return;
    if (cd.relOffsetLH == kZip64Marker32 && !take64(info.relOffsetLH, Given::kRelOffsetGiven)) return;
    if (cd.diskNumberStart == kZip64Marker16 && in.Remaining() >= 4) info.diskNumberStart = in.U32();
}

// The last Unicode Path block that belongs to the stored name, if any.
std::optional<std::u16string> UnicodePathOf(TZFExtraFields field, std::span<const std::uint8_t> storedName) {
    std::optional<std::u16string> name;
    for (const TZFExtraFieldDataBlock block : field) {
        if (block.headerID != kUnicodePathExtraId) continue;
        if (auto path = UnicodePathName(block.pData, storedName)) name = std::move(path);
    }
    return name;
}

// The AES block (vendor version, vendor id, strength, actual method) counts
// only below the strong-encryption version; a block shorter than 7 bytes is
// left alone.
void ReadAesBlock(std::span<const std::uint8_t> data, const TZFZipCentralDir& cd, ExtraFieldValues& values) {
    if (cd.extractVersion >= kStrongEncryptionVersion || data.size() < kAesBlockSize) return;
    ByteReader in(data);
    in.Skip(4);
    switch (in.U8()) {
    case 1:
        values.algorithm = caAES_128;
        break;
    case 2:
        values.algorithm = caAES_192;
        break;
    case 3:
        values.algorithm = caAES_256;
        break;
    default:
        break;
    }
    values.compressionMethod = in.U16();
}

}  // namespace

bool TUnicodeExtendedInfo::Load(std::span<const std::uint8_t> pData) {
    ByteReader in(pData);
    if (in.Remaining() < 8) return false;
    FAdditionalSignature = in.U32();
    if (FAdditionalSignature != kSignature) return false;
    const std::uint32_t count = in.U32();
    if (count > in.Remaining() / 2) return false;
    FName.clear();
    FName.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) FName += static_cast<char16_t>(in.U16());
    return true;
}

// The blocks are interpreted one after the other as the field lays them out
// (TZFExtraFields); every block is kept.
void ReadExtraFields(std::span<const std::uint8_t> field, TZFDirArray& dir, std::int32_t index,
                     std::span<const std::uint8_t> storedName) {
    dir.KeepTexts(index, field, {});
    InterpretExtraFields(dir, index, storedName);
}

// The Unicode Path block replaces the decoded name before the blocks are
// taken in file order, so that a Unicode name block wins wherever it stands.
std::optional<std::u16string> ExtraFieldName(TZFExtraFields field, std::span<const std::uint8_t> storedName) {
    std::optional<std::u16string> name = UnicodePathOf(field, storedName);
    for (const TZFExtraFieldDataBlock block : field) {
        if (block.headerID != kUnicodeNameExtraId) continue;
        TUnicodeExtendedInfo unicode;
        if (unicode.Load(block.pData)) name = std::move(unicode.FName);
    }
    return name;
}

ExtraFieldValues ReadExtraFieldValues(const TZFZipCentralDir& cd, TZFExtraFields field, ExtraFieldValues start) {
    ExtraFieldValues values = start;
    values.hugeFile = false;
    for (const TZFExtraFieldDataBlock block : field) {
        switch (block.headerID) {
        case kZip64ExtraId:
            ReadZip64Block(block.pData, cd, values.zip64);
            values.zip64Seen = true;
            values.hugeFile = true;
            break;
        case kAesExtraId:
            ReadAesBlock(block.pData, cd, values);
            break;
        default:
            break;
        }
    }
    return values;
}

// The name first, then the values: the item views its zip64 values in the
// directory's storage, made only when a zip64 block was met.
void InterpretExtraFields(TZFDirArray& dir, std::int32_t index, std::span<const std::uint8_t> storedName) {
    TDirItem& item = dir.ItemRef(index);
    if (auto name = ExtraFieldName(item.ExtraFields(), storedName)) dir.SetItemName(index, *name);
    ExtraFieldValues start;
    start.zip64 = item.Zip64ExtInfo();
    start.algorithm = item.ZFEncryptionAlgorithm;
    start.compressionMethod = item.CompressionMethod;
    const ExtraFieldValues values = ReadExtraFieldValues(item.CentralDir, item.ExtraFields(), start);
    item.bHugeFile = values.hugeFile;
    item.ZFEncryptionAlgorithm = values.algorithm;
    item.CompressionMethod = values.compressionMethod;
    if (values.zip64Seen) dir.Zip64Of(index) = values.zip64;
}

}  // namespace archive
