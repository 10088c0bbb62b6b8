#pragma once
// The directory's name index: an open-addressing table from a name, folded to
// lower case in ASCII only, to the highest item number that holds it. Items
// that share a folded name are chained from the highest to the lowest, so
// that removing one brings the next lower back. The names themselves are the
// items' own views; the table holds only item numbers.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "archive/dir_item.h"

namespace archive {

// "A"-"Z" to "a"-"z"; every other code unit unchanged.
inline char16_t FoldAscii(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}
bool EqualFolded(std::u16string_view a, std::u16string_view b);
std::uint32_t HashFolded(std::u16string_view key);

class NameTable {
public:
    // The highest item whose name folds to the same key as `name`, or -1.
    std::int32_t Find(std::u16string_view name, std::span<const TDirItem> items) const;
    // Indexes item `item` under its current name.
    void Insert(std::int32_t item, std::span<const TDirItem> items);
    // Takes item `item` (indexed under its current name) out of the index.
    void Remove(std::int32_t item, std::span<const TDirItem> items);
    // Room for `count` names without growing.
    void Reserve(std::size_t count);
    void Clear();

    std::size_t SlotCount() const { return slots_.size(); }

private:
    static constexpr std::int32_t kEmpty = -1;
    static constexpr std::int32_t kRemoved = -2;

    // The slot that holds `name`'s chain, or else the first free slot on its probe.
    std::size_t SlotFor(std::u16string_view name, std::span<const TDirItem> items) const;
    void Grow(std::size_t slots, std::span<const TDirItem> items);

    std::vector<std::int32_t> slots_;  // chain heads, or kEmpty / kRemoved
    std::vector<std::int32_t> lower_;  // per item: the next lower item with the same key, or -1
    std::size_t occupied_ = 0;         // slots not empty (heads and removed marks)
};

}  // namespace archive
