#pragma once
// The items of a directory loaded from an archive stream, each decoded into
// its record when it is first asked for. The load keeps only what finds an
// item again: every name (NameStore) and where every kGroup-th central header
// starts; a record is decoded from the header, extra field and comment read
// anew from the stream, and then kept, at the same address, until the items
// are dropped. The load has read and checked every byte a record is decoded
// from, so that decoding finds what the load found.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "archive/dir_item.h"
#include "archive/extra_fields.h"
#include "archive/name_store.h"
#include "archive/text_arena.h"
#include "platform/byte_buffer.h"
#include "platform/stream.h"

namespace archive {

class LoadedItems {
public:
    // The items of a directory in `stream` (not owned; it outlives the items
    // and its bytes do not change).
    explicit LoadedItems(platform::Stream& stream) : stream_(stream) {}
    LoadedItems(const LoadedItems&) = delete;
    LoadedItems& operator=(const LoadedItems&) = delete;

    // --- filled by the load, item after item ---
    // The next item, whose central header is at `position` in the stream; its
    // name goes to Names(). `values` is what its extra field sets, or null
    // when it has none.
    void Add(std::int64_t position, const TZFZipCentralDir& cd, const ExtraFieldValues* values);
    NameStore& Names() { return names_; }

    // --- what the load found ---
    std::int32_t Count() const { return count_; }
    const NameStore& Names() const { return names_; }
    // The sum of the items' CompressedSize(), each taken as unsigned.
    unsigned __int128 CompressedSizeSum() const { return compressedSum_; }
    // The first item whose central compressed size field is not 0, or -1.
    std::int32_t FirstItemWithData() const { return firstWithData_; }

    // The record of item `item` (0 <= item < Count()), decoded on first use.
    // Throws EReadError when the stream no longer gives the bytes.
    TDirItem& Record(std::int32_t item);
    // ShiftLocalHeaderOffset of every item, now and as each is decoded.
    void ShiftLocalHeaderOffsets(std::int64_t stub);

    // CompressedSize() of an item with central header `cd` and extra-field values `values` (or none).
    static std::int64_t CompressedSize(const TZFZipCentralDir& cd, const ExtraFieldValues* values);

private:
    static constexpr std::int32_t kPageItems = 256;
    static constexpr std::size_t kWindowBytes = 16 * 1024;

    TDirItem& Decode(std::int32_t item);
    std::int64_t HeaderPosition(std::int32_t item);
    // `count` bytes at `position`, from the window of stream bytes last read.
    std::span<const std::uint8_t> Bytes(std::int64_t position, std::size_t count);
    TDirItem*& RecordSlot(std::int32_t item);

    platform::Stream& stream_;
    std::int32_t count_ = 0;
    NameStore names_;
    std::vector<std::int64_t> groupHeaders_;  // positions of the headers of items 0, kGroup, 2 kGroup ...
    unsigned __int128 compressedSum_ = 0;
    std::int32_t firstWithData_ = -1;

    // Decoded records, reached through pages of kPageItems pointers made as needed.
    std::vector<std::unique_ptr<TDirItem*[]>> pages_;
    std::deque<TDirItem> records_;
    TextArena texts_;
    std::int64_t stub_ = 0;
    bool shifted_ = false;
    // The item after the one decoded last, and where its header is: items
    // decoded in directory order find their headers without a walk.
    std::int32_t nextItem_ = -1;
    std::int64_t nextPosition_ = 0;

    platform::ByteBuffer window_;
    std::int64_t windowAt_ = 0;
};

}  // namespace archive
