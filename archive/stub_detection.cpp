// A prefix in front of the archive data (such as a self-extractor): where the
// first item's local header really is, and whether the stored offsets already
// count the prefix.
#include <array>
#include <vector>

#include "archive/dir_manager.h"
#include "platform/stream.h"

namespace archive {
namespace {

constexpr std::size_t kScanChunk = 10000;

// Restores the stream position when the scope ends.
class PositionGuard {
public:
    explicit PositionGuard(platform::Stream& stream) : stream_(stream), saved_(stream.Position()) {}
    ~PositionGuard() { stream_.SetPosition(saved_); }
    PositionGuard(const PositionGuard&) = delete;
    PositionGuard& operator=(const PositionGuard&) = delete;

private:
    platform::Stream& stream_;
    std::int64_t saved_;
};

}  // namespace

void TZFDirManager::FindStubSize(std::int64_t z) {
    if (CentralDirEnd.entriesCentralDir == 0 || CDir.Count() == 0) {
        StubSize = z;
        return;
    }
    const std::int64_t size = FCompressedStream->Size();
    std::int64_t from = CDir.ItemRef(0).LocalHeaderOffset();
    while (from >= 0 && from < size) {
        const std::int64_t p = FindSignature(from, kLocalFileHeaderSignature);
        if (p < 0) return;
        if (MatchFirstLocalHeader(p)) {
            StubSize = p;
            return;
        }
        from = p + 1;
    }
}

// Chunks of 10,000 bytes: the first item's local header is usually where its
// offset says, so the first chunk read is small. The scanner is kept: the
// stub search asks again from just behind each rejected match, and finds it
// in the chunk already read.
std::int64_t TZFDirManager::FindSignature(std::int64_t from, std::uint32_t signature) {
    if (from < 0) return -1;
    PositionGuard keep(*FCompressedStream);
    if (!stubScanner_) stubScanner_.emplace(*FCompressedStream, kScanChunk);
    return stubScanner_->Find(from, signature);
}

// A local header at p that agrees with the first item's central header (any
// local header at 0 is taken as it is). The name and the flag are not compared.
bool TZFDirManager::MatchFirstLocalHeader(std::int64_t p) {
    if (p < 0 || FCompressedStream->Size() - p < static_cast<std::int64_t>(LocalFileHeader::kSize)) return false;
    PositionGuard keep(*FCompressedStream);
    std::array<std::uint8_t, LocalFileHeader::kSize> bytes{};
    FCompressedStream->SetPosition(p);
    if (FCompressedStream->Read(bytes.data(), bytes.size()) != bytes.size()) return false;
    const LocalFileHeader local = LocalFileHeader::Decode(bytes);
    std::vector<std::uint8_t> name(local.nameLength);
    if (FCompressedStream->Read(name.data(), name.size()) != name.size()) return false;
    if (local.signature != kLocalFileHeaderSignature) return false;
    if (p == 0) return true;
    const TZFZipCentralDir& cd = CDir.ItemRef(0).CentralDir;
    return local.crc32 == cd.crc32 && local.versionNeeded == cd.extractVersion && local.method == cd.compMethod &&
           local.lastModTime == cd.lastModTime && local.lastModDate == cd.lastModDate &&
           local.compSize == cd.compSize && local.unCompSize == cd.unCompSize;
}

// An item whose central offset is the zip64 marker is judged, and adjusted,
// by its zip64 offset: adding the stub to the marker itself would wrap it into
// a small, wrong offset. Without a zip64 value the marker is an offset of its
// own. The first item with data decides.
bool TZFDirManager::StubOffsetApplied() const {
    const std::int32_t first = CDir.FirstItemWithData();
    if (first < 0) return true;
    const TDirItem& item = CDir.ItemRef(first);
    const TZFZipCentralDir& cd = item.CentralDir;
    if (item.Zip64Given(cd.relOffsetLH, TZFZip64ExtendedInfo::kRelOffsetGiven)) {
        return item.Zip64ExtInfo().relOffsetLH >= StubSize;
    }
    return cd.relOffsetLH >= static_cast<std::uint32_t>(StubSize);
}

// Offsets are 32-bit and wrap; directory items stay as stored.
void TZFDirManager::ApplyStubOffset() { CDir.ShiftLocalHeaderOffsets(StubSize); }

}  // namespace archive
