// The recovery road's directory: every local file header found by scanning the
// whole stream becomes an item, in file order, filled from the local header
// (and from its data descriptor when flag bit 3 is set).
//
// The scans read the stream in chunks of 1 MiB, small enough to stay in the
// cache while they are searched. A search for the next header starts 4 bytes
// behind the previous one; the chunk it needs is usually the one already in
// memory, so it is kept and reused instead of being read again for every member.
#include <algorithm>
#include <array>
#include <vector>

#include "archive/archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/item_name_decoding.h"
#include "archive/signature_search.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace archive {
namespace {

constexpr std::size_t kScanChunk = 1024 * 1024;
constexpr std::uint16_t kMaxExtraLength = 260;
constexpr std::uint32_t kFileAttribute = 0x20;       // FILE_ATTRIBUTE_ARCHIVE
constexpr std::uint32_t kDirectoryAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

std::int64_t NextLocalHeader(SignatureScanner& scanner, std::int64_t from) {
    const std::int64_t at = scanner.Find(from, kLocalFileHeaderSignature);
    if (at < 0 || scanner.StreamSize() - at < static_cast<std::int64_t>(LocalFileHeader::kSize)) return -1;
    return at;
}

bool NextDataDescriptor(SignatureScanner& scanner, std::int64_t from, DataDescriptor& descriptor) {
    const std::int64_t at = scanner.Find(from, kDataDescriptorSignature);
    if (at < 0) return false;
    std::array<std::uint8_t, DataDescriptor::kSize> raw{};
    if (!scanner.ReadAt(at, raw)) return false;
    descriptor = DataDescriptor::Decode(raw);
    return true;
}

TZFZipCentralDir CentralFromLocal(const LocalFileHeader& local, std::int64_t at) {
    TZFZipCentralDir cd;
    cd.signature = local.signature;
    cd.versionMadeBy = local.versionNeeded;
    cd.extractVersion = local.versionNeeded;
    cd.genPurposeFlag = local.flag;
    cd.compMethod = local.method;
    cd.lastModTime = local.lastModTime;
    cd.lastModDate = local.lastModDate;
    cd.crc32 = local.crc32;
    cd.compSize = local.compSize;
    cd.unCompSize = local.unCompSize;
    cd.nameLength = local.nameLength;
    cd.extraLength = local.extraLength;
    const bool isFile = local.unCompSize != 0 || (local.flag & kFlagDataDescriptor) != 0;
    cd.externalAttr = isFile ? kFileAttribute : kDirectoryAttribute;
    cd.relOffsetLH = static_cast<std::uint32_t>(at);
    return cd;
}

// A local name ends at its first zero byte and is decoded as a central one
// is: UTF-8 when its bytes are, else from the OEM code page (when an end record
// was seen and the UTF-8 flag is clear) or the ANSI one. Names written as UTF-8,
// with the flag or without, thus read the same on both roads.
std::u16string LocalName(std::span<const std::uint8_t> bytes, bool oemNames) {
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return DecodeItemName(bytes.first(static_cast<std::size_t>(zero - bytes.begin())), oemNames);
}

// Appends the item of the local header at `at`: the header's fields, its name,
// its extra field, and the sizes of its data descriptor when flag bit 3 is set.
void AppendItem(TZFDirArray& dir, SignatureScanner& scanner, std::int64_t at, const LocalFileHeader& local,
                bool oemFileNames) {
    const std::int32_t i = dir.Count();
    dir.SetCount(i + 1);
    TDirItem& item = dir.ItemRef(i);
    item.CentralDir = CentralFromLocal(local, at);
    item.CompressionMethod = local.method;
    if ((local.flag & kFlagEncrypted) != 0 && local.versionNeeded < kStrongEncryptionVersion) {
        item.ZFEncryptionAlgorithm = caPkzipClassic;
    }

    std::int64_t next = at + static_cast<std::int64_t>(LocalFileHeader::kSize);
    std::vector<std::uint8_t> bytes;
    if (local.nameLength > 0 && scanner.StreamSize() - next >= local.nameLength) {
        bytes.resize(local.nameLength);
        scanner.ReadAt(next, bytes);
        next += local.nameLength;
    }
    const bool oemNames = oemFileNames && (local.flag & kFlagUtf8Name) == 0;
    const bool plainAscii = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0 && b < 0x80; });
    if (plainAscii) {
        dir.SetAsciiItemName(i, bytes);  // native code 59 when out of step
    } else {
        dir.SetItemName(i, LocalName(bytes, oemNames));
    }
    if (local.extraLength > 0) {
        std::array<std::uint8_t, kMaxExtraLength> extra{};
        const std::span<std::uint8_t> field(extra.data(), local.extraLength);
        if (!scanner.ReadAt(next, field)) throw platform::EReadError();
        ReadExtraFields(field, dir, i, bytes);
    }

    DataDescriptor descriptor;
    if ((local.flag & kFlagDataDescriptor) != 0 && NextDataDescriptor(scanner, at, descriptor)) {
        TZFZipCentralDir& cd = dir.ItemRef(i).CentralDir;
        cd.crc32 = descriptor.crc32;
        cd.compSize = descriptor.compSize;
        cd.unCompSize = descriptor.unCompSize;
    }
}

}  // namespace

// Headers whose compressed size is not below the stream size, or whose extra
// field is longer than 260 bytes, are passed over; the scan goes on behind them.
void TZFDirManager::RebuildDir() {
    SignatureScanner scanner(*FCompressedStream, kScanChunk);
    std::int64_t at = NextLocalHeader(scanner, 0);
    if (at < 0) throw EZFException(NativeCode::kNoLocalHeader, nullptr);
    const bool oemFileNames = EndRecordFound && (FArc == nullptr || FArc->FOptions.FOEMFileNames);
    for (; at >= 0; at = NextLocalHeader(scanner, at + 4)) {
        std::array<std::uint8_t, LocalFileHeader::kSize> raw{};
        scanner.ReadAt(at, raw);
        const LocalFileHeader local = LocalFileHeader::Decode(raw);
        if (static_cast<std::int64_t>(local.compSize) >= scanner.StreamSize() || local.extraLength > kMaxExtraLength) {
            continue;
        }
        AppendItem(CDir, scanner, at, local, oemFileNames);
    }
}

std::int64_t TZFDirManager::FindLocalHeader(std::int64_t from) {
    const std::int64_t position = FCompressedStream->Position();
    SignatureScanner scanner(*FCompressedStream, kScanChunk);
    const std::int64_t at = NextLocalHeader(scanner, from);
    FCompressedStream->SetPosition(position);
    return at;
}

bool TZFDirManager::FindDataDescriptor(std::int64_t from, DataDescriptor& descriptor) {
    const std::int64_t position = FCompressedStream->Position();
    SignatureScanner scanner(*FCompressedStream, kScanChunk);
    const bool found = NextDataDescriptor(scanner, from, descriptor);
    FCompressedStream->SetPosition(position);
    return found;
}

}  // namespace archive
