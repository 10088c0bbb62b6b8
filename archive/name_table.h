#pragma once
// The directory's name index (its FItemNamesList): the hashed, case-folded
// name list the component documents as TZFHashedStringList, in the form the
// directory needs. The keys are the items' own names, not copies: Insert
// stands for the list's Add, Remove followed by Insert for its Update, and
// Find for IndexOf, which answers as the documented chained table does, with
// the highest item whose name folds alike. The list's Delete, its lookup by
// the part before "=" and its case-sensitive switch are never used by the
// reader and are not offered.
//
// An open-addressing table from a name, folded to lower case in ASCII only,
// to the highest item number that holds it. Items that share a folded name
// are chained from the highest to the lowest, so that removing one brings the
// next lower back. A slot holds only an item number: the names are read where
// they are kept (IndexedNames), shorter ones first rejected by their length.
//
// Single-threaded, like the directory it serves: a lookup places the items
// that wait (see Insert), so Find changes the table and is not const.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "archive/dir_item.h"
#include "platform/bulk_memory.h"

namespace archive {

// "A"-"Z" to "a"-"z"; every other code unit unchanged.
inline char16_t FoldAscii(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

// A name as it is kept: `length` code units, either one byte each (all below
// 0x80) or UTF-16 little-endian units, two bytes each, at any alignment.
struct NameView {
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    bool wide = false;

    static NameView Of(std::u16string_view name) {
        return {reinterpret_cast<const std::uint8_t*>(name.data()), static_cast<std::uint32_t>(name.size()), true};
    }
    char16_t operator[](std::size_t at) const {
        if (!wide) return data[at];
        char16_t unit;
        std::memcpy(&unit, data + 2 * at, sizeof unit);
        return unit;
    }
};

bool EqualFolded(std::u16string_view a, std::u16string_view b);
bool EqualFolded(NameView kept, std::u16string_view name);
// Alike for a name kept in bytes and the same name in UTF-16.
std::uint32_t HashFolded(std::u16string_view key);
std::uint32_t HashFolded(NameView key);

// Where a NameTable reads the names of the items it indexes.
class IndexedNames {
public:
    virtual ~IndexedNames() = default;
    virtual NameView NameOf(std::int32_t item) const = 0;
    // The highest item from `first` to `last` whose name folds like `name`, or -1.
    virtual std::int32_t FindDown(std::int32_t first, std::int32_t last, std::u16string_view name) const;
};

// The names of item records (their Name()).
class ItemNames final : public IndexedNames {
public:
    explicit ItemNames(std::span<const TDirItem> items) : items_(items) {}
    NameView NameOf(std::int32_t item) const override {
        return NameView::Of(items_[static_cast<std::size_t>(item)].Name());
    }

private:
    std::span<const TDirItem> items_;
};

class NameTable {
public:
    // Lookups answered by reading the items themselves while none is placed:
    // a directory looked up only a few times (a package opened for one member)
    // never pays for hashing and placing all its names. Four, because that is
    // the most the program asks of one package: the member's size check and
    // its extraction each look the name up, and a name the index lacks is
    // looked up once more by the search that follows.
    static constexpr int kScanLookups = 4;

    // The highest item whose name folds to the same key as `name`, or -1.
    std::int32_t Find(std::u16string_view name, const IndexedNames& names);
    // False when Find would answer -1 for `name` at once: an empty name while
    // no item is indexed under it (a new item's, as each one is loaded).
    bool MayHold(std::u16string_view name) const { return !name.empty() || emptyNames_ != 0; }
    // Indexes item `item` under its current name. The table takes new items in
    // batches: they are placed at the next Find or Remove, all at once.
    void Insert(std::int32_t item, const IndexedNames& names);
    // Indexes items `first` to `first + count - 1`, `emptyNames` of them named
    // with the empty name, as Insert of each in turn would.
    void InsertRun(std::int32_t first, std::int32_t count, std::size_t emptyNames);
    // Takes item `item` (indexed under its current name) out of the index.
    void Remove(std::int32_t item, const IndexedNames& names);
    // Room for `count` names without growing, made when names are first placed.
    void Reserve(std::size_t count);
    void Clear();

    // Slots made so far: none until a lookup or removal places the names.
    std::size_t SlotCount() const { return slots_.size(); }

private:
    static constexpr std::int32_t kEmpty = -1;
    static constexpr std::int32_t kRemoved = -2;

    // Each slot holds the highest item of a chain, or kEmpty / kRemoved.
    std::size_t StartSlot(std::uint32_t hash) const;
    // The slot that holds the chain of `name` (hashed to `hash`), or else the
    // first free slot on its probe.
    template <typename Name>
    std::size_t SlotFor(const Name& name, std::uint32_t hash, const IndexedNames& names) const;
    void Grow(std::size_t slots, const IndexedNames& names);
    void Place(std::int32_t item, NameView name, std::uint32_t hash, const IndexedNames& names);
    std::int32_t LowerOf(std::int32_t item) const;
    void SetLower(std::int32_t item, std::int32_t lower);
    // Places the items that wait, in the order they came.
    void PlacePending(const IndexedNames& names);
    // What Find gives once the waiting items are placed, read from the items.
    std::int32_t ScanPending(std::u16string_view name, const IndexedNames& names) const;

    std::vector<std::int32_t, platform::BulkAllocator<std::int32_t>> slots_;
    // Items indexed but not yet placed, as runs of consecutive item numbers.
    struct PendingRun {
        std::int32_t first;
        std::int32_t count;
    };

    std::vector<std::int32_t, platform::BulkAllocator<std::int32_t>> lower_;  // next lower item, same key
    std::vector<PendingRun> pending_;
    std::size_t pendingCount_ = 0;   // items in pending_
    std::size_t occupied_ = 0;       // slots not empty (heads and removed marks)
    int scansLeft_ = kScanLookups;   // lookups still to be answered by ScanPending
    std::size_t reservedSlots_ = 0;  // slots to make at the first placement
    std::size_t emptyNames_ = 0;     // items indexed under the empty name
};

}  // namespace archive
