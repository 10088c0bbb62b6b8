#include "archive/name_table.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace archive {

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// Four code units at a time. Setting bit 5 of every unit makes a capital
// ASCII letter hash like its small one; the few other units it pairs up (such
// as "@" and "`") only share a hash, and EqualFolded tells them apart.
std::uint32_t HashFolded(std::u16string_view key) {
    constexpr std::uint64_t kCaseBits = 0x0020002000200020ull;
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = key.size();
    std::size_t at = 0;
    for (; at + 4 <= key.size(); at += 4) {
        std::uint64_t word;
        std::memcpy(&word, key.data() + at, sizeof word);
        h = (std::rotl(h, 23) ^ (word | kCaseBits)) * kMultiplier;
    }
    std::uint64_t tail = 0;
    for (std::size_t k = 0; at + k < key.size(); ++k) tail |= std::uint64_t{key[at + k]} << (16 * k);
    h = (std::rotl(h, 23) ^ (tail | kCaseBits)) * kMultiplier;
    return static_cast<std::uint32_t>(h ^ (h >> 29));
}

// The hash's bits are spread over the slot number by a Fibonacci multiply, so
// that names that differ only in a few characters do not crowd together.
std::size_t NameTable::StartSlot(std::uint32_t hash) const {
    const int bits = std::countr_zero(slots_.size());
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

std::size_t NameTable::SlotFor(std::u16string_view name, std::uint32_t hash, std::span<const TDirItem> items) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t free = slots_.size();
    for (std::size_t at = StartSlot(hash);; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.head == kEmpty) return free < slots_.size() ? free : at;
        if (slot.head == kRemoved) {
            if (free == slots_.size()) free = at;
        } else if (slot.hash == hash && EqualFolded(items[static_cast<std::size_t>(slot.head)].Name, name)) {
            return at;
        }
    }
}

// A new item's name is empty; it is looked for only while some item is
// indexed under the empty name.
std::int32_t NameTable::Find(std::u16string_view name, std::span<const TDirItem> items) const {
    if (name.empty() && emptyNames_ == 0) return -1;
    PlacePending(items);
    if (slots_.empty()) return -1;
    const std::int32_t head = slots_[SlotFor(name, HashFolded(name), items)].head;
    return head >= 0 ? head : -1;
}

void NameTable::Insert(std::int32_t item, std::span<const TDirItem> items) {
    pending_.push_back(item);
    if (items[static_cast<std::size_t>(item)].Name.empty()) ++emptyNames_;
}

// The hashes are computed first, in one pass over the names; the slots are
// then filled with the slot of an item a few places ahead already on its way
// into the cache, since the slots are reached in no order.
void NameTable::PlacePending(std::span<const TDirItem> items) const {
    if (pending_.empty()) return;
    const std::size_t count = pending_.size();
    if ((occupied_ + count) * 2 > slots_.size()) {
        Grow(std::bit_ceil(std::max<std::size_t>((occupied_ + count) * 2, 16)));
    }
    std::vector<std::uint32_t> hashes(count);
    for (std::size_t k = 0; k < count; ++k) hashes[k] = HashFolded(items[static_cast<std::size_t>(pending_[k])].Name);
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < count; ++k) {
        if (k + kAhead < count) __builtin_prefetch(&slots_[StartSlot(hashes[k + kAhead])], 1);
        Place(pending_[k], hashes[k], items);
    }
    pending_.clear();
}

// A chain runs from the highest item down, whatever the order of insertion.
void NameTable::Place(std::int32_t item, std::uint32_t hash, std::span<const TDirItem> items) const {
    if (lower_.size() <= static_cast<std::size_t>(item)) {
        lower_.resize(std::max(static_cast<std::size_t>(item) + 1, lower_.size() * 2), -1);
    }
    Slot& slot = slots_[SlotFor(items[static_cast<std::size_t>(item)].Name, hash, items)];
    if (slot.head < 0) {
        if (slot.head == kEmpty) ++occupied_;
        slot = Slot{-1, hash};
    }
    std::int32_t* link = &slot.head;
    while (*link > item) link = &lower_[static_cast<std::size_t>(*link)];
    lower_[static_cast<std::size_t>(item)] = *link;
    *link = item;
}

void NameTable::Remove(std::int32_t item, std::span<const TDirItem> items) {
    PlacePending(items);
    if (slots_.empty()) return;
    const std::u16string_view name = items[static_cast<std::size_t>(item)].Name;
    Slot& slot = slots_[SlotFor(name, HashFolded(name), items)];
    std::int32_t* link = &slot.head;
    while (*link >= 0 && *link != item) link = &lower_[static_cast<std::size_t>(*link)];
    if (*link != item) return;
    *link = lower_[static_cast<std::size_t>(item)];
    if (slot.head == -1) slot.head = kRemoved;
    if (name.empty()) --emptyNames_;
}

void NameTable::Reserve(std::size_t count) {
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(count * 2, 16));
    if (slots > slots_.size()) Grow(slots);
    if (lower_.size() < count) lower_.resize(count, -1);
    pending_.reserve(count);
}

// The heads move to their slots in the larger table by their kept hashes; the
// chains stay as they are.
void NameTable::Grow(std::size_t slots) const {
    decltype(slots_) old(slots);
    old.swap(slots_);
    occupied_ = 0;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.head < 0) continue;
        std::size_t at = StartSlot(slot.hash);
        while (slots_[at].head != kEmpty) at = (at + 1) & mask;
        slots_[at] = slot;
        ++occupied_;
    }
}

void NameTable::Clear() {
    slots_.clear();
    lower_.clear();
    pending_.clear();
    occupied_ = 0;
    emptyNames_ = 0;
}

}  // namespace archive
