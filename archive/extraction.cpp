// Extraction of one member into a caller's stream: the lookup by name (the
// name index first, then the search), the local header, the password stage,
// the data loop, and the size and CRC-32 tests that decide whether the member
// arrived intact. The progress events are raised from here as well.
#include <algorithm>
#include <array>
#include <memory>

#include "archive/archiver.h"
#include "archive/errors.h"
#include "archive/item_decoder.h"
#include "archive/password_stage.h"
#include "platform/stream.h"

namespace archive {
namespace {

// Recurse is off for the duration of an extraction and holds its old value
// afterwards, on every way out.
class RecurseOff {
public:
    explicit RecurseOff(bool& recurse) : recurse_(recurse), saved_(recurse) { recurse_ = false; }
    ~RecurseOff() { recurse_ = saved_; }
    RecurseOff(const RecurseOff&) = delete;
    RecurseOff& operator=(const RecurseOff&) = delete;

private:
    bool& recurse_;
    bool saved_;
};

std::u16string Backslashed(std::u16string_view text) {
    std::u16string result(text);
    std::replace(result.begin(), result.end(), u'/', u'\\');
    return result;
}

LocalFileHeader ReadLocalHeader(platform::Stream& stream) {
    std::array<std::uint8_t, LocalFileHeader::kSize> raw{};
    stream.ReadBuffer(raw.data(), raw.size());  // EReadError when cut short
    return LocalFileHeader::Decode(raw);
}

// The file's share, then (unless cancelled) the overall share, which for a
// single member equals the file's.
void RaiseDataProgress(TZFBaseArchiver& arc, std::u16string_view itemName) {
    const double fileShare = static_cast<double>(arc.FProgress) / static_cast<double>(arc.FProgressMax);
    arc.DoFileProgress(itemName, fileShare * 100.0, poExtract, ppProcess);
    if (arc.FProgressCancel) return;
    arc.DoOverallProgress((fileShare + arc.FProcessedFileNo) / arc.FProcessedFileCount * 100.0, poExtract, ppProcess);
}

// The caller's stream took fewer bytes than written. A handler may give the
// write up (Cancel) or have it repeated; without one the disk is full.
bool DiskFull(TZFBaseArchiver& arc) {
    if (arc.OnDiskFull) {
        bool cancel = false;
        arc.OnDiskFull(arc, 0, arc.FFileName, cancel);
        if (cancel) arc.FProgressCancel = true;
        return cancel;
    }
    if (arc.FSpanningMode != smSpanning) throw EZFException(NativeCode::kDiskFull, nullptr);
    return true;
}

struct DataLoopResult {
    bool ok = false;
    std::int64_t written = 0;
    std::uint32_t crc = 0;
};

// The member's data from the archive stream's position into `stream`, with the
// component's progress and disk-full events.
DataLoopResult RunDataLoop(TZFBaseArchiver& arc, const TDirItem& item, platform::Stream& stream,
                           std::int64_t compressed, MemberCipher* cipher) {
    DecoderEvents events;
    events.progress = [&arc, &item](std::int64_t progress) {
        arc.FProgress = progress;
        if (arc.FProgressEnabled) RaiseDataProgress(arc, item.Name());
        return arc.FProgressCancel;
    };
    events.diskFull = [&arc] { return DiskFull(arc); };
    ItemDecoder decoder(*arc.FCompressedStream, stream,
                        ItemData{item.CompressionMethod, compressed, item.UncompressedSize(), cipher},
                        std::move(events));
    DataLoopResult result;
    result.ok = decoder.Run();
    result.written = decoder.BytesWritten();
    result.crc = decoder.Crc();
    return result;
}

}  // namespace

void TZFBaseArchiver::ExtractToStream(std::u16string_view fileName, platform::Stream& stream) {
    if (!FActive) throw EZFException(NativeCode::kNotOpen, this);
    if (FUpdateCount > 0) throw EZFException(NativeCode::kUpdateNotEnded, this);
    FProgressEnabled = true;
    RecurseOff recurseOff(FOptions.FRecurse);
    FProcessedFileNo = 0;
    DoOverallProgress(0.0, poExtract, ppStart);

    std::int32_t itemNo = -1;
    if (!FindItemIndex(fileName, itemNo))
        throw EZFException(NativeCode::kItemNotFound, this, {std::u16string(fileName)});
    FProcessedFileCount = 1;
    const std::u16string_view srcFileName = DMHandle->CDir.ItemRef(itemNo).SrcFileName;
    DoFileProgress(srcFileName, 0.0, poExtract, ppStart);
    ExtractItem(itemNo, stream);
    DoFileProgress(srcFileName, 100.0, poExtract, ppEnd);
    DoOverallProgress(100.0, poExtract, ppEnd);
}

std::int32_t TZFBaseArchiver::ExtractionItemIndex(std::u16string_view fileName) {
    if (!FActive) return -1;
    RecurseOff recurseOff(FOptions.FRecurse);
    std::int32_t itemNo = -1;
    return FindItemIndex(fileName, itemNo) ? itemNo : -1;
}

// The exact stored name through the name index; failing that, the search, which
// drops a drive, reads "\" as "/" and understands wildcards.
bool TZFBaseArchiver::FindItemIndex(std::u16string_view name, std::int32_t& itemNo) {
    if (DMHandle->CDir.FileExists(name, itemNo)) return true;
    TZFArchiveItem search;
    if (FindFirst(name, search, kDefaultSearchAttr, u"")) {
        itemNo = search.Handle.ItemNo;
        return true;
    }
    itemNo = -1;
    return false;
}

// A member of a single-file archive lies in the archive stream itself; other
// volumes belong to the multi-volume road, which is not built.
void TZFBaseArchiver::ExtractItem(std::int32_t itemNo, platform::Stream& stream) {
    if (!DMHandle || itemNo < 0 || itemNo >= DMHandle->CDir.Count())
        throw EZFException(NativeCode::kExtractIndexOutOfRange, this);
    const TDirItemCopy item = DMHandle->CDir.Item(itemNo);
    // A zip64 offset of 2^63 or more reads as negative: no header lies there, as
    // none lies past the end, and the header's read fails the same way.
    const std::int64_t offset = item->LocalHeaderOffset();
    FCompressedStream->SetPosition(offset < 0 ? FCompressedStream->Size() : offset);
    const bool ok = DecodeItemData(*item, stream);
    if (!ok && !FProgressCancel && !FExtractCorruptedFiles && !FSkipFile)
        throw EZFException(NativeCode::kInvalidItemData, this);
}

bool TZFBaseArchiver::DecodeItemData(const TDirItem& item, platform::Stream& stream) {
    platform::Stream& archive = *FCompressedStream;
    const LocalFileHeader local = ReadLocalHeader(archive);
    archive.Seek(std::int64_t{local.nameLength} + local.extraLength, platform::SeekOrigin::Current);

    std::int64_t compressed = item.CompressedSize();
    const std::int64_t uncompressed = item.UncompressedSize();
    // Member data never run into the central directory, whatever their stated size.
    const std::int64_t position = archive.Position();
    if (FSpanningMode == smNone && compressed > DMHandle->CentralDirOffset - position) {
        compressed = DMHandle->CentralDirOffset - position;
    }
    FProgressMax = uncompressed == 0 ? 2 : uncompressed;
    FSkipFile = false;

    if (item.CompressionMethod == kMethodDeflate64) throw EZFException(NativeCode::kDeflate64, nullptr);
    if (item.CompressionMethod != kMethodStored && item.CompressionMethod != kMethodDeflated) return false;

    std::unique_ptr<MemberCipher> cipher;
    if ((item.CentralDir.genPurposeFlag & kFlagEncrypted) != 0) {
        compressed -= EncryptionOverhead(item);
        // Data too short for their encryption header: no password could be tested
        // against bytes of the member, so nobody is asked.
        if (compressed < 0) return false;
        cipher = RunPasswordStage(*this, item, local);
        if (!cipher) return false;
    }

    const DataLoopResult result = RunDataLoop(*this, item, stream, compressed, cipher.get());
    if (!result.ok || result.written != uncompressed) return false;
    if (item.CentralDir.extractVersion >= kStrongEncryptionVersion) return true;
    // An AES authentication code comes after the data; AE-2 members have no CRC-32 to test.
    if (cipher && !cipher->DataAuthenticated(archive)) return false;
    return (cipher && !cipher->TestsCrc()) || result.crc == item.CentralDir.crc32;
}

void TZFBaseArchiver::DoOverallProgress(double progress, TZFProcessOperation operation,
                                        TZFProgressPhase progressPhase) {
    if (OnOverallProgress) {
        OnOverallProgress(*this, progress, operation, progressPhase, FProgressCancel);
    } else {
        FProgressCancel = false;
    }
}

void TZFBaseArchiver::DoFileProgress(std::u16string_view fileName, double progress, TZFProcessOperation operation,
                                     TZFProgressPhase progressPhase) {
    if (OnFileProgress) {
        OnFileProgress(*this, Backslashed(fileName), progress, operation, progressPhase, FProgressCancel);
    } else {
        FProgressCancel = false;
    }
}

}  // namespace archive
