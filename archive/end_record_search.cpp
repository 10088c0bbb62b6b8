// The backward search for the end of central directory record, its
// plausibility test, and the zip64 locator and end record in front of it.
#include <algorithm>
#include <vector>

#include "archive/archiver.h"
#include "archive/byte_reader.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace archive {
namespace {

// 65,535 comment bytes, the 22-byte record and some slack.
constexpr std::int64_t kEndSearchWindow = 65600;

// The plausibility test of an end record candidate at `position`, given the
// bytes from the candidate on (`tail`, possibly fewer than 22).
bool IsPlausibleEndRecord(std::span<const std::uint8_t> tail, std::int64_t position, std::int64_t streamSize) {
    if (position < 0 || streamSize - position < static_cast<std::int64_t>(TZFZipCentralDirEnd::kSize)) return false;
    if (tail.size() < TZFZipCentralDirEnd::kSize) return false;
    const auto r = TZFZipCentralDirEnd::Decode(tail.first<TZFZipCentralDirEnd::kSize>());
    const std::int64_t p = position + static_cast<std::int64_t>(TZFZipCentralDirEnd::kSize);
    const std::int64_t dirSize = r.centralDirSize;
    if (r.startDiskNumber > r.diskNumber || r.entriesOnDisk > r.entriesCentralDir) return false;
    if (r.centralDirSize != kZip64Marker32 && dirSize >= p) return false;
    if (r.startDiskNumber == r.diskNumber && r.offsetStartDir != kZip64Marker32 &&
        static_cast<std::int64_t>(r.offsetStartDir) >= p - dirSize) {
        return false;
    }
    return r.commentLength <= streamSize - p;
}

// Reads `count` bytes at `position` and puts the stream position back.
std::vector<std::uint8_t> ReadAt(platform::Stream& stream, std::int64_t position, std::size_t count) {
    const std::int64_t saved = stream.Position();
    std::vector<std::uint8_t> bytes(count);
    stream.SetPosition(position);
    bytes.resize(stream.Read(bytes.data(), count));
    stream.SetPosition(saved);
    return bytes;
}

}  // namespace

bool TZFDirManager::FindCentralDirEnd(std::uint32_t signature, TZFZipCentralDirEnd& record, std::int64_t& position) {
    if (!lastEndSearch_ || lastEndSearch_->signature != signature) {
        EndSearchResult result;
        result.signature = signature;
        const std::int64_t size = FCompressedStream->Size();
        const std::int64_t window = std::min(size, kEndSearchWindow);
        const std::vector<std::uint8_t> tail =
            ReadAt(*FCompressedStream, size - window, static_cast<std::size_t>(window));
        const std::int64_t base = size - static_cast<std::int64_t>(tail.size());
        // The match nearest to the end that passes the test wins.
        for (std::size_t i = tail.size(); i-- > 3;) {
            const std::size_t at = i - 3;
            if (LoadU32(tail, at) != signature) continue;
            const auto rest = std::span<const std::uint8_t>(tail).subspan(at);
            if (!IsPlausibleEndRecord(rest, base + static_cast<std::int64_t>(at), size)) continue;
            result.found = true;
            result.position = base + static_cast<std::int64_t>(at);
            result.record = TZFZipCentralDirEnd::Decode(rest.first<TZFZipCentralDirEnd::kSize>());
            const auto comment = rest.subspan(TZFZipCentralDirEnd::kSize, result.record.commentLength);
            result.comment.assign(comment.begin(), comment.end());
            break;
        }
        lastEndSearch_ = std::move(result);
    }
    record = lastEndSearch_->record;
    position = lastEndSearch_->position;
    ArchiveComment = lastEndSearch_->comment;
    return lastEndSearch_->found;
}

bool TZFDirManager::CheckCentralDirEnd(std::int64_t position) {
    if (position < 0) return false;
    const auto bytes = ReadAt(*FCompressedStream, position, TZFZipCentralDirEnd::kSize);
    return IsPlausibleEndRecord(bytes, position, FCompressedStream->Size());
}

bool TZFDirManager::HasCentralDirEnd() {
    std::int64_t position = -1;
    const bool found = FindCentralDirEnd(kCentralDirEndSignature, CentralDirEnd, position);
    return found || (FArc && FArc->FOpenCorruptedArchives);
}

void TZFDirManager::ReadZip64Locator(std::int64_t e, std::int64_t& z) {
    FZip64 = false;
    if (e <= static_cast<std::int64_t>(TZFZip64CentralDirEndLocator::kSize)) return;
    const std::int64_t at = e - static_cast<std::int64_t>(TZFZip64CentralDirEndLocator::kSize);
    const auto bytes = ReadAt(*FCompressedStream, at, TZFZip64CentralDirEndLocator::kSize);
    if (bytes.size() < TZFZip64CentralDirEndLocator::kSize) return;
    Zip64CentralDirEndLocator =
        TZFZip64CentralDirEndLocator::Decode(std::span(bytes).first<TZFZip64CentralDirEndLocator::kSize>());
    if (Zip64CentralDirEndLocator.signature != kZip64LocatorSignature) return;
    FZip64 = true;
    z = at;
}

// A record that does not lie wholly inside the stream is a short read, also
// where the offset lies before its start or too far beyond its end to seek to.
void TZFDirManager::ReadZip64CentralDirEnd(std::int64_t& z) {
    constexpr auto kSize = static_cast<std::int64_t>(TZFZip64CentralDirEnd::kSize);
    bool found = false;
    if (z > kSize) {
        const std::int64_t at = Zip64CentralDirEndLocator.offsetStartDirEnd;
        if (at < 0 || at > FCompressedStream->Size() - kSize) throw platform::EReadError();
        std::array<std::uint8_t, TZFZip64CentralDirEnd::kSize> bytes{};
        FCompressedStream->SetPosition(at);
        FCompressedStream->ReadBuffer(bytes.data(), bytes.size());
        Zip64CentralDirEnd = TZFZip64CentralDirEnd::Decode(bytes);
        if (Zip64CentralDirEnd.signature == kZip64CentralDirEndSignature) {
            z -= kSize;
            found = true;
        }
    }
    if (!found) throw EZFException(NativeCode::kZip64EndMissing, nullptr);
}

bool TZFDirManager::Zip64EndRecordAt(std::int64_t position) {
    constexpr auto kSize = static_cast<std::int64_t>(TZFZip64CentralDirEnd::kSize);
    if (position < 0 || position > FCompressedStream->Size() - kSize) return false;
    const auto bytes = ReadAt(*FCompressedStream, position, 4);
    return bytes.size() == 4 && LoadU32(bytes, 0) == kZip64CentralDirEndSignature;
}

// Twenty bytes in front of the end record can look like a locator by chance:
// the end of the last item's comment, say. A real locator has a zip64 end
// record where it points or, where the archive was moved behind a prefix,
// right in front of it. Bytes with neither are no locator while the end
// record holds every value itself.
void TZFDirManager::ReadZip64Records(std::int64_t e, std::int64_t& z) {
    ReadZip64Locator(e, z);
    if (!FZip64) return;
    constexpr auto kSize = static_cast<std::int64_t>(TZFZip64CentralDirEnd::kSize);
    if (!CentralDirEnd.NeedsZip64() && !Zip64EndRecordAt(Zip64CentralDirEndLocator.offsetStartDirEnd) &&
        !Zip64EndRecordAt(z - kSize)) {
        FZip64 = false;
        z = e;
        return;
    }
    ReadZip64CentralDirEnd(z);  // native code 40 ends the open
}

}  // namespace archive
