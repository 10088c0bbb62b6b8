#include "archive/loaded_items.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/ascii_names.h"
#include "archive/stream_reader.h"
#include "platform/exception.h"

namespace archive {

void LoadedItems::Add(std::int64_t position, const TZFZipCentralDir& cd, const ExtraFieldValues* values) {
    if (count_ % NameStore::kGroup == 0) groupHeaders_.push_back(position);
    compressedSum_ += static_cast<std::uint64_t>(CompressedSize(cd, values));
    if (firstWithData_ < 0 && cd.compSize != 0) firstWithData_ = count_;
    ++count_;
}

std::int64_t LoadedItems::CompressedSize(const TZFZipCentralDir& cd, const ExtraFieldValues* values) {
    TDirItem item;
    item.CentralDir = cd;
    TZFZip64ExtendedInfo zip64;
    if (values != nullptr && values->zip64Seen) {
        zip64 = values->zip64;
        item.zip64Values_ = &zip64;
    }
    return item.CompressedSize();
}

TDirItem*& LoadedItems::RecordSlot(std::int32_t item) {
    if (pages_.empty()) pages_.resize(static_cast<std::size_t>((count_ + kPageItems - 1) / kPageItems));
    std::unique_ptr<TDirItem*[]>& page = pages_[static_cast<std::size_t>(item / kPageItems)];
    if (!page) page = std::make_unique<TDirItem*[]>(kPageItems);  // all null
    return page[static_cast<std::size_t>(item % kPageItems)];
}

TDirItem& LoadedItems::Record(std::int32_t item) {
    TDirItem*& slot = RecordSlot(item);
    if (slot == nullptr) slot = &Decode(item);
    return *slot;
}

// From the header of the item's group, or from the item after the last
// decoded where that is nearer, over the headers in front of it.
std::int64_t LoadedItems::HeaderPosition(std::int32_t item) {
    std::int64_t position = groupHeaders_[static_cast<std::size_t>(item / NameStore::kGroup)];
    std::int32_t from = item - item % NameStore::kGroup;
    if (nextItem_ > from && nextItem_ <= item) {
        from = nextItem_;
        position = nextPosition_;
    }
    for (std::int32_t k = item - from; k > 0; --k) {
        const auto header =
            TZFZipCentralDir::Decode(Bytes(position, TZFZipCentralDir::kSize).first<TZFZipCentralDir::kSize>());
        position += static_cast<std::int64_t>(TZFZipCentralDir::kSize) + header.nameLength + header.extraLength +
                    header.commentLength;
    }
    return position;
}

// The record as the plain load makes it (dir_loading.cpp, ReadItem): the
// header, the name the load settled on, the extra field and the comment back
// to back, and what the extra field sets.
TDirItem& LoadedItems::Decode(std::int32_t index) {
    const std::int64_t position = HeaderPosition(index);
    const TZFZipCentralDir cd =
        TZFZipCentralDir::Decode(Bytes(position, TZFZipCentralDir::kSize).first<TZFZipCentralDir::kSize>());
    nextItem_ = index + 1;
    nextPosition_ = position + static_cast<std::int64_t>(TZFZipCentralDir::kSize) + cd.nameLength + cd.extraLength +
                    cd.commentLength;
    TDirItem& item = records_.emplace_back();
    item.CentralDir = cd;
    item.CompressionMethod = cd.compMethod;

    const NameView name = names_.NameOf(index);
    if (name.length > 0) {
        char16_t* units = texts_.AllocateUnits(name.length);
        if (name.wide) {
            std::memcpy(units, name.data, 2 * std::size_t{name.length});
        } else {
            WidenAsciiName({name.data, name.length}, units);
        }
        item.name_ = {units, name.length};
    }

    const std::size_t textBytes = std::size_t{cd.extraLength} + cd.commentLength;
    if (textBytes > 0) {
        const auto texts =
            Bytes(position + static_cast<std::int64_t>(TZFZipCentralDir::kSize) + cd.nameLength, textBytes);
        auto* kept = static_cast<std::uint8_t*>(texts_.AllocateBytes(textBytes, 1));
        std::memcpy(kept, texts.data(), textBytes);
        item.texts_ = kept;
        item.ExtraLength = cd.extraLength;
        item.CommentLength = cd.commentLength;
    }
    if (cd.extraLength > 0) {
        ExtraFieldValues start;
        start.algorithm = item.ZFEncryptionAlgorithm;
        start.compressionMethod = item.CompressionMethod;
        const ExtraFieldValues values = ReadExtraFieldValues(cd, item.ExtraFields(), start);
        item.bHugeFile = values.hugeFile;
        item.ZFEncryptionAlgorithm = values.algorithm;
        item.CompressionMethod = values.compressionMethod;
        if (values.zip64Seen) {
            item.zip64Values_ = new (texts_.AllocateBytes(sizeof(TZFZip64ExtendedInfo), alignof(TZFZip64ExtendedInfo)))
                TZFZip64ExtendedInfo(values.zip64);
        }
    }
    if (shifted_) ShiftLocalHeaderOffset(item, stub_);
    return item;
}

void LoadedItems::ShiftLocalHeaderOffsets(std::int64_t stub) {
    stub_ = stub;
    shifted_ = true;
    for (TDirItem& item : records_) ShiftLocalHeaderOffset(item, stub);
}

// A window of the directory is read at a time, so that items decoded in
// directory order cost one read for many. The stream's position is kept.
std::span<const std::uint8_t> LoadedItems::Bytes(std::int64_t position, std::size_t count) {
    const auto windowEnd = windowAt_ + static_cast<std::int64_t>(window_.size());
    if (position >= windowAt_ && position <= windowEnd && count <= static_cast<std::size_t>(windowEnd - position)) {
        return {window_.data() + (position - windowAt_), count};
    }
    const std::int64_t left = std::max<std::int64_t>(stream_.Size() - position, 0);
    if (static_cast<std::uint64_t>(left) < count) throw platform::EReadError();
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(left, static_cast<std::int64_t>(std::max(count, kWindowBytes))));
    const std::int64_t saved = stream_.Position();
    window_.resize(want);
    windowAt_ = position;
    stream_.SetPosition(position);
    const bool complete = ReadFully(stream_, {window_.data(), window_.size()});
    stream_.SetPosition(saved);
    if (!complete) {
        window_.clear();
        throw platform::EReadError();
    }
    return {window_.data(), count};
}

}  // namespace archive
