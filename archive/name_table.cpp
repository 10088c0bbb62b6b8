#include "archive/name_table.h"

#include <algorithm>
#include <bit>

namespace archive {

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// FNV-1a over the folded code units.
std::uint32_t HashFolded(std::u16string_view key) {
    std::uint32_t h = 2166136261u;
    for (char16_t unit : key) h = (h ^ FoldAscii(unit)) * 16777619u;
    return h;
}

std::size_t NameTable::SlotFor(std::u16string_view name, std::span<const TDirItem> items) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t free = slots_.size();
    for (std::size_t at = HashFolded(name) & mask;; at = (at + 1) & mask) {
        const std::int32_t head = slots_[at];
        if (head == kEmpty) return free < slots_.size() ? free : at;
        if (head == kRemoved) {
            if (free == slots_.size()) free = at;
        } else if (EqualFolded(items[static_cast<std::size_t>(head)].Name, name)) {
            return at;
        }
    }
}

std::int32_t NameTable::Find(std::u16string_view name, std::span<const TDirItem> items) const {
    if (slots_.empty()) return -1;
    const std::int32_t head = slots_[SlotFor(name, items)];
    return head >= 0 ? head : -1;
}

// A chain runs from the highest item down, whatever the order of insertion.
void NameTable::Insert(std::int32_t item, std::span<const TDirItem> items) {
    if ((occupied_ + 1) * 2 > slots_.size()) Grow(std::max<std::size_t>(slots_.size() * 2, 16), items);
    if (lower_.size() <= static_cast<std::size_t>(item)) {
        lower_.resize(std::max(static_cast<std::size_t>(item) + 1, lower_.size() * 2), -1);
    }
    const std::size_t at = SlotFor(items[static_cast<std::size_t>(item)].Name, items);
    std::int32_t* link = &slots_[at];
    if (*link < 0) {
        if (*link == kEmpty) ++occupied_;
        *link = -1;
    }
    while (*link > item) link = &lower_[static_cast<std::size_t>(*link)];
    lower_[static_cast<std::size_t>(item)] = *link;
    *link = item;
}

void NameTable::Remove(std::int32_t item, std::span<const TDirItem> items) {
    if (slots_.empty()) return;
    const std::size_t at = SlotFor(items[static_cast<std::size_t>(item)].Name, items);
    std::int32_t* link = &slots_[at];
    while (*link >= 0 && *link != item) link = &lower_[static_cast<std::size_t>(*link)];
    if (*link != item) return;
    *link = lower_[static_cast<std::size_t>(item)];
    if (slots_[at] == -1) slots_[at] = kRemoved;
}

void NameTable::Reserve(std::size_t count) {
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(count * 2, 16));
    if (slots > slots_.size()) {
        // Nothing indexed yet: no items needed to move the heads.
        if (occupied_ == 0) {
            slots_.assign(slots, kEmpty);
        }
    }
    if (lower_.size() < count) lower_.resize(count, -1);
}

// The heads move to their slots in the larger table; the chains stay as they are.
void NameTable::Grow(std::size_t slots, std::span<const TDirItem> items) {
    std::vector<std::int32_t> old(slots, kEmpty);
    old.swap(slots_);
    occupied_ = 0;
    for (const std::int32_t head : old) {
        if (head < 0) continue;
        slots_[SlotFor(items[static_cast<std::size_t>(head)].Name, items)] = head;
        ++occupied_;
    }
}

void NameTable::Clear() {
    slots_.clear();
    lower_.clear();
    occupied_ = 0;
}

}  // namespace archive
