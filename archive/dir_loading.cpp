// Loading the central directory: the end records give where it starts and how
// many items it has; each item's header, name, extra field and comment are
// read in turn. Any error while items are read sends the load to the recovery
// road while the owner opens damaged archives.
#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <vector>

#include "archive/archiver.h"
#include "archive/ascii_names.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/item_name_decoding.h"
#include "archive/loaded_items.h"
#include "archive/stream_reader.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace archive {
namespace {

// Small enough that the buffer's pages cost less than the reads it saves.
constexpr std::int64_t kMaxDirectoryRead = std::int64_t{64} << 10;

// The text storage grows with what has been read, never from the size the
// end record claims: a few bytes of a crafted package could claim a directory
// of gigabytes, and on Windows memory is charged when it is reserved, not when
// it is touched. Its blocks double, and none is made larger than the bytes
// left in the stream could fill: names as UTF-16 take at most twice their
// bytes, extra fields and comments their own.
std::size_t TextRoom(std::int64_t bytesLeft) {
    const std::int64_t room = std::clamp<std::int64_t>(bytesLeft, 0, std::numeric_limits<std::int64_t>::max() / 2) * 2;
    return static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(room), SIZE_MAX));
}

bool OpensCorrupted(const TZFBaseArchiver* arc) { return arc == nullptr || arc->FOpenCorruptedArchives; }
bool OemFileNames(const TZFBaseArchiver* arc) { return arc == nullptr || arc->FOptions.FOEMFileNames; }
TZFSpanningMode SpanningOf(const TZFBaseArchiver* arc) { return arc == nullptr ? smNone : arc->FSpanningMode; }

// One item: the 46-byte header as it stands, the name, the extra field and
// the comment, in this order. An ASCII name goes straight into the
// directory's storage: every code page leaves ASCII bytes as they are. The
// stored name is kept in `storedName` while the extra field is taken in, for
// the Unicode Path block's check sum.
void ReadItem(BufferedStreamReader& in, TZFDirArray& dir, std::int32_t i, bool oemFileNames,
              std::vector<std::uint8_t>& storedName) {
    TDirItem& item = dir.ItemRef(i);
    item.CentralDir = TZFZipCentralDir::Decode(in.Take(TZFZipCentralDir::kSize).first<TZFZipCentralDir::kSize>());
    const TZFZipCentralDir& cd = item.CentralDir;
    if ((cd.genPurposeFlag & kFlagEncrypted) != 0 && cd.extractVersion < kStrongEncryptionVersion) {
        item.ZFEncryptionAlgorithm = caPkzipClassic;
    }
    item.CompressionMethod = cd.compMethod;
    const auto name = in.Take(cd.nameLength);
    if (IsAsciiName(name)) {
        dir.SetAsciiItemName(i, name);
    } else {
        const bool oemNames = oemFileNames && (cd.genPurposeFlag & kFlagUtf8Name) == 0;
        dir.SetItemName(i, DecodeItemName(name, oemNames));
    }
    if (cd.extraLength > 0) storedName.assign(name.begin(), name.end());
    // Both kept in one piece of storage, the extra field read (and taken in)
    // before the comment; each is seen once it has arrived.
    std::uint8_t* texts = dir.ReserveTexts(i, std::size_t{cd.extraLength} + cd.commentLength);
    if (cd.extraLength > 0) {
        const auto extra = in.Take(cd.extraLength);
        std::memcpy(texts, extra.data(), extra.size());
        item.ExtraLength = cd.extraLength;
        InterpretExtraFields(dir, i, storedName);
    }
    if (cd.commentLength > 0) {
        const auto comment = in.Take(cd.commentLength);
        std::memcpy(texts + cd.extraLength, comment.data(), comment.size());
        item.CommentLength = cd.commentLength;
    }
}

// One item as ReadItem reads it, piece by piece in the same order, failing
// where it fails: the name is settled (an extra field may replace it) and
// kept in the store, the rest is checked and passed over. A name set while an
// earlier item has the empty name fails as SetItemName does (native code 59):
// the new item's empty name is indexed there.
void ScanItem(BufferedStreamReader& in, LoadedItems& items, bool oemFileNames, std::vector<std::uint8_t>& storedName) {
    const std::int64_t position = in.Position();
    const TZFZipCentralDir cd =
        TZFZipCentralDir::Decode(in.Take(TZFZipCentralDir::kSize).first<TZFZipCentralDir::kSize>());
    const auto name = in.Take(cd.nameLength);
    if (items.Names().EmptyNames() != 0) throw EZFException(NativeCode::kNameIndexOutOfStep, nullptr);
    const bool ascii = IsAsciiName(name);
    const bool oemNames = oemFileNames && (cd.genPurposeFlag & kFlagUtf8Name) == 0;
    if (cd.extraLength == 0) {
        if (ascii) {
            items.Names().AppendAscii(name);
        } else {
            items.Names().Append(DecodeItemName(name, oemNames));
        }
        items.Add(position, cd, nullptr);
    } else {
        std::u16string decoded = ascii ? std::u16string() : DecodeItemName(name, oemNames);
        storedName.assign(name.begin(), name.end());
        const TZFExtraFields field(in.Take(cd.extraLength));
        ExtraFieldValues start;
        start.compressionMethod = cd.compMethod;
        const ExtraFieldValues values = ReadExtraFieldValues(cd, field, start);
        if (auto given = ExtraFieldName(field, storedName)) {
            items.Names().Append(*given);
        } else if (ascii) {
            items.Names().AppendAscii(storedName);
        } else {
            items.Names().Append(decoded);
        }
        items.Add(position, cd, &values);
    }
    if (cd.commentLength > 0) in.Take(cd.commentLength);
}

}  // namespace

void TZFDirManager::LoadDir() {
    VolumeInfo = TZFVolumeNumberInfo{};
    ResetDir();
    StubSize = 0;
    EndRecordFound = false;
    TZFZipCentralDirEnd end;
    std::int64_t e = -1;
    if (!FindCentralDirEnd(kCentralDirEndSignature, end, e)) {
        RecoverDir();
        return;
    }
    EndRecordFound = true;
    CentralDirEnd = end;
    std::int64_t z = e;
    ReadZip64Records(e, z);
    if (!FZip64 && end.entriesCentralDir == kZip64Marker16) {
        RecoverDir();
        return;
    }
    const std::int64_t startDisk = end.startDiskNumber != kZip64Marker16 ? end.startDiskNumber
                                   : FZip64                              ? Zip64CentralDirEnd.startDiskNumber
                                                                         : 0;
    const std::int64_t lastDisk = end.diskNumber != kZip64Marker16 ? end.diskNumber
                                  : FZip64 ? static_cast<std::int64_t>(Zip64CentralDirEndLocator.totalNumberOfDisks) - 1
                                           : 0;
    VolumeInfo.FVolumeNumber = static_cast<std::int32_t>(startDisk);
    VolumeInfo.FLastVolumeNumber = static_cast<std::int32_t>(lastDisk);
    if (!LoadCentralDir(e, z)) {
        RecoverDir();
        return;
    }
    if (!OpensCorrupted(FArc) && SpanningOf(FArc) == smNone) CheckCompressedSizes();
    if (lastDisk == 0) FindStubSize(z);
    if (!StubOffsetApplied()) ApplyStubOffset();
}

// The directory is found below the end records by its size, not at its stored
// offset, so that it is found behind a prefix too. The item count is trusted
// only as far as the bytes from the directory's start to the end of the
// stream can hold central headers of 46 bytes each: the array is never sized
// beyond that, and an item past it fails as the short read it would be.
bool TZFDirManager::LoadCentralDir(std::int64_t e, std::int64_t z) {
    const std::int64_t dirSize = FZip64 ? Zip64CentralDirEnd.centralDirSize : CentralDirEnd.centralDirSize;
    std::int64_t start = dirSize < 0 ? -1 : (FZip64 ? z : e) - dirSize;
    if (SpanningOf(FArc) != smNone) start = FZip64 ? Zip64CentralDirEnd.offsetStartDir : CentralDirEnd.offsetStartDir;
    // The component counts items in 32 bits and so takes only the low 32 bits
    // of the zip64 record's 64-bit count: a count of 2^32 + n reads n items.
    const std::int64_t count =
        FZip64 ? static_cast<std::uint32_t>(Zip64CentralDirEnd.entriesCentralDir) : CentralDirEnd.entriesCentralDir;
    const std::int64_t size = FCompressedStream->Size();
    const std::int64_t fits = start >= 0 && start <= size ? (size - start) / std::int64_t{TZFZipCentralDir::kSize} : 0;
    const auto capacity =
        static_cast<std::int32_t>(std::min<std::int64_t>({count, fits, std::numeric_limits<std::int32_t>::max()}));
    try {
        if (LoadItemsEagerly) {
            CDir.SetCount(capacity);
            ReadItems(start, count);
        } else {
            ScanItems(start, count, capacity);
        }
    } catch (...) {
        if (!OpensCorrupted(FArc)) ReadItemsAfterFailedScan(start, count, capacity, std::current_exception());
        return false;
    }
    return true;
}

void TZFDirManager::ReadItems(std::int64_t start, std::int64_t count) {
    if (count == 0) return;
    if (start < 0) throw platform::EReadError();
    // The directory is read in one piece up to a bounded size, and beyond it in
    // pieces through the same buffer: every page of memory the load touches
    // costs, and the records keep what they need.
    const std::int64_t dirSize = FZip64 ? Zip64CentralDirEnd.centralDirSize : CentralDirEnd.centralDirSize;
    const auto chunk = static_cast<std::size_t>(std::clamp<std::int64_t>(dirSize, 1, kMaxDirectoryRead));
    CDir.Expect(CDir.Count());
    BufferedStreamReader in(*FCompressedStream, start, chunk);
    CentralDirOffset = start;
    const bool oemFileNames = OemFileNames(FArc);
    const std::int64_t size = FCompressedStream->Size();
    std::vector<std::uint8_t> storedName;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i >= CDir.Count()) throw platform::EReadError();
        CDir.LimitTextBlocks(TextRoom(size - in.Position()));
        ReadItem(in, CDir, static_cast<std::int32_t>(i), oemFileNames, storedName);
    }
    FCompressedStream->SetPosition(in.Position());
}

// A failed open passes the load's error on and leaves the directory as far
// as it was read. The scan fails exactly where the plain road fails, so the
// plain road, run again, throws the same error and leaves that directory; it
// cannot succeed, but should it, the scan's error still stands.
void TZFDirManager::ReadItemsAfterFailedScan(std::int64_t start, std::int64_t count, std::int32_t capacity,
                                             std::exception_ptr scanError) {
    if (LoadItemsEagerly) std::rethrow_exception(scanError);
    CDir.SetCount(capacity);
    ReadItems(start, count);
    std::rethrow_exception(scanError);
}

// Loaded items come only from a complete scan.
void TZFDirManager::ScanItems(std::int64_t start, std::int64_t count, std::int32_t capacity) {
    if (count == 0) return;
    if (start < 0) throw platform::EReadError();
    const std::int64_t dirSize = FZip64 ? Zip64CentralDirEnd.centralDirSize : CentralDirEnd.centralDirSize;
    const auto chunk = static_cast<std::size_t>(std::clamp<std::int64_t>(dirSize, 1, kMaxDirectoryRead));
    BufferedStreamReader in(*FCompressedStream, start, chunk);
    CentralDirOffset = start;
    const bool oemFileNames = OemFileNames(FArc);
    auto items = std::make_unique<LoadedItems>(*FCompressedStream);
    items->Names().Reserve(static_cast<std::size_t>(capacity));
    std::vector<std::uint8_t> storedName;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i >= capacity) throw platform::EReadError();
        ScanItem(in, *items, oemFileNames, storedName);
    }
    CDir.Adopt(std::move(items));
    FCompressedStream->SetPosition(in.Position());
}

// The sum is taken in 128 bits: up to 2^31 sizes of up to 2^64 - 1 bytes each
// overflow 64 bits, and a sum that wrapped could fall below the stream size
// and let an impossible directory pass. A zip64 size is an unsigned 64-bit
// field: one of 2^63 or more (negative as the item's signed value) is counted
// as the size it claims, which no file can hold, never as a negative amount
// that would pull the sum back under the file's size.
void TZFDirManager::CheckCompressedSizes() {
    const unsigned __int128 sum = CDir.CompressedSizeSum();
    if (sum > static_cast<std::uint64_t>(FCompressedStream->Size()))
        throw EZFException(NativeCode::kSizesExceedFile, nullptr);
}

}  // namespace archive
