#pragma once
// The directory: an array of items that grows in blocks, and the name index
// that maps each item's ASCII-lowercased name to its index.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/dir_item.h"
#include "archive/name_index.h"

namespace archive {

class TZFDirArray {
public:
    TZFDirArray() = default;
    TZFDirArray(const TZFDirArray&) = delete;
    TZFDirArray& operator=(const TZFDirArray&) = delete;

    std::int32_t Count() const { return ItemCount; }
    // Growing allocates in blocks (AllocBy doubles up to MaxAllocBy) and the new
    // slots start empty; 0 releases every item and the storage.
    void SetCount(std::int32_t n);

    // The item at `index` by copy; native code 2 when out of range.
    TDirItem Item(std::int32_t index) const;
    // The item at `index` in place; native code 3 when out of range.
    TDirItem& ItemRef(std::int32_t index);
    const TDirItem& ItemRef(std::int32_t index) const;

    // Sets the item's name and keeps the name index in step; native code 59 when
    // the item's current name is indexed at another item.
    void SetItemName(std::int32_t index, std::u16string name);
    // True when an item's ASCII-lowercased name equals that of `fileName`;
    // `itemNo` gets the (highest) index, or -1.
    bool FileExists(std::u16string_view fileName, std::int32_t& itemNo);
    void Clear();

    std::int32_t AllocItemCount() const { return static_cast<std::int32_t>(FItems.size()); }
    std::int32_t AllocBy = 500;
    std::int32_t deAllocBy = 100;
    std::int32_t MaxAllocBy = 10000;

private:
    std::vector<TDirItem> FItems;  // size() is the allocated length
    std::int32_t ItemCount = 0;
    TZFHashedStringList FItemNamesList;
};

}  // namespace archive
