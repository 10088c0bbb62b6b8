#pragma once
// The directory: the items and the name index that maps each item's
// ASCII-lowercased name to its index. A directory loaded from an archive holds
// its items as LoadedItems (names kept, records decoded when asked for) and
// is read only but for the records' fields; one built item by item (the
// recovery road's, a test's) is an array of fixed-size item records that
// grows in blocks, with the storage their names, comments and extra fields
// are viewed in.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/dir_item.h"
#include "archive/loaded_items.h"
#include "archive/name_table.h"
#include "archive/text_arena.h"
#include "platform/bulk_memory.h"

namespace archive {

class TZFDirArray {
public:
    TZFDirArray() = default;
    TZFDirArray(const TZFDirArray&) = delete;
    TZFDirArray& operator=(const TZFDirArray&) = delete;

    std::int32_t Count() const { return ItemCount; }
    // Growing allocates in blocks (AllocBy doubles up to MaxAllocBy) and the new
    // slots start empty; 0 releases every item and the storage. A loaded
    // directory takes only 0 (std::logic_error otherwise).
    void SetCount(std::int32_t n);
    // Makes the directory the loaded `items`, every one indexed by its name;
    // what it held is dropped.
    void Adopt(std::unique_ptr<LoadedItems> items);
    bool IsLoaded() const { return loaded_ != nullptr; }

    // The item at `index` by copy, with its own name, extra field, comment and
    // zip64 values; native code 2 when out of range.
    TDirItemCopy Item(std::int32_t index) const;
    // The item at `index` in place, valid until the directory is cleared;
    // native code 3 when out of range.
    TDirItem& ItemRef(std::int32_t index);
    const TDirItem& ItemRef(std::int32_t index) const;

    // Sets the item's name (a copy is kept) and keeps the name index in step;
    // native code 59 when the item's current name is indexed at another item.
    // This and the other setters below throw std::logic_error on a loaded directory.
    void SetItemName(std::int32_t index, std::u16string_view name);
    // The same for a name of ASCII bytes, widened straight into the storage.
    void SetAsciiItemName(std::int32_t index, std::span<const std::uint8_t> name);
    // True when an item's ASCII-lowercased name equals that of `fileName`;
    // `itemNo` gets the (highest) index, or -1. Not const: a lookup may place
    // the names that wait in the index.
    bool FileExists(std::u16string_view fileName, std::int32_t& itemNo);
    void Clear();

    // Keeps a copy of an item's extra field and comment for as long as the
    // items, and points the item at it.
    void KeepTexts(std::int32_t index, std::span<const std::uint8_t> extra, std::span<const std::uint8_t> comment);
    // Room for them (`bytes` in all), to be filled in place, the extra field
    // first: the item views none of it until its lengths are set, so a load
    // cut short never shows bytes that were not read.
    std::uint8_t* ReserveTexts(std::int32_t index, std::size_t bytes);
    // The item's zip64 values, made (all zero) on first use.
    TZFZip64ExtendedInfo& Zip64Of(std::int32_t index);
    // ShiftLocalHeaderOffset of every item.
    void ShiftLocalHeaderOffsets(std::int64_t stub);
    // The first item whose central compressed size field is not 0, or -1.
    std::int32_t FirstItemWithData() const;
    // The sum of every item's CompressedSize() taken as unsigned.
    unsigned __int128 CompressedSizeSum() const;
    // Sizes the name index for a directory of `items` items.
    void Expect(std::int32_t items);
    // No block of text storage made from now on grows past `bytes`: what the
    // rest of the source can still need.
    void LimitTextBlocks(std::size_t bytes) { texts_.LimitBlockBytes(bytes); }

    std::int32_t AllocItemCount() const { return static_cast<std::int32_t>(FItems.capacity()); }
    std::int32_t AllocBy = 500;
    std::int32_t deAllocBy = 100;
    std::int32_t MaxAllocBy = 10000;

private:
    std::span<const TDirItem> Items() const { return {FItems.data(), FItems.size()}; }
    void RefuseLoaded() const;
    void SetStoredName(std::int32_t index, std::u16string_view stored);
    std::int32_t IndexedAt(std::int32_t index);

    // capacity() is the allocated length; size() the slots made so far, every
    // one from Count() on empty.
    std::vector<TDirItem, platform::BulkAllocator<TDirItem>> FItems;
    std::int32_t ItemCount = 0;
    TextArena texts_;
    NameTable names_;
    std::unique_ptr<LoadedItems> loaded_;  // set: the items are these, FItems is empty
};

}  // namespace archive
