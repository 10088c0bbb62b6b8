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
        } else if (slot.hash == hash && EqualFolded(items[static_cast<std::size_t>(slot.head)].Name(), name)) {
            return at;
        }
    }
}

// A new item's name is empty; it is looked for only while some item is
// indexed under the empty name.
std::int32_t NameTable::Find(std::u16string_view name, std::span<const TDirItem> items) {
    if (!MayHold(name)) return -1;
    if (occupied_ == 0 && scansLeft_ > 0) {
        --scansLeft_;
        return ScanPending(name, items);
    }
    PlacePending(items);
    if (slots_.empty()) return -1;
    const std::int32_t head = slots_[SlotFor(name, HashFolded(name), items)].head;
    return head >= 0 ? head : -1;
}

// Only while nothing is placed: then the waiting items are all the index
// holds. Each run is read from its highest item down, and only above the best
// answer so far; most names differ from the one looked for in length already.
std::int32_t NameTable::ScanPending(std::u16string_view name, std::span<const TDirItem> items) const {
    std::int32_t best = -1;
    for (const PendingRun& run : pending_) {
        for (std::int32_t item = run.first + run.count - 1; item >= run.first && item > best; --item) {
            if (EqualFolded(items[static_cast<std::size_t>(item)].Name(), name)) {
                best = item;
                break;
            }
        }
    }
    return best;
}

// Items indexed one after the other, as a load does, wait as one run.
void NameTable::Insert(std::int32_t item, std::span<const TDirItem> items) {
    if (!pending_.empty() && pending_.back().first + pending_.back().count == item) {
        ++pending_.back().count;
    } else {
        pending_.push_back(PendingRun{item, 1});
    }
    ++pendingCount_;
    if (items[static_cast<std::size_t>(item)].Name().empty()) ++emptyNames_;
}

// The hash of an item a few places ahead is computed first, and its slot is
// already on its way into the cache when the item is placed, since the slots
// are reached in no order.
void NameTable::PlacePending(std::span<const TDirItem> items) {
    if (pending_.empty()) return;
    if ((occupied_ + pendingCount_) * 2 > slots_.size()) {
        Grow(std::max(std::bit_ceil(std::max<std::size_t>((occupied_ + pendingCount_) * 2, 16)), reservedSlots_));
    }
    constexpr std::size_t kAhead = 8;
    std::uint32_t ahead[kAhead];
    std::int32_t order[kAhead];
    std::size_t k = 0;
    const auto place = [&](std::size_t at) { Place(order[at % kAhead], ahead[at % kAhead], items); };
    for (const PendingRun& run : pending_) {
        for (std::int32_t item = run.first; item < run.first + run.count; ++item, ++k) {
            if (k >= kAhead) place(k - kAhead);
            const std::uint32_t hash = HashFolded(items[static_cast<std::size_t>(item)].Name());
            __builtin_prefetch(&slots_[StartSlot(hash)], 1);
            ahead[k % kAhead] = hash;
            order[k % kAhead] = item;
        }
    }
    for (std::size_t at = k > kAhead ? k - kAhead : 0; at < k; ++at) place(at);
    pending_.clear();
    pendingCount_ = 0;
}

// Only items that have a lower item of the same name need an entry in lower_,
// so that a directory without equal names keeps none.
std::int32_t NameTable::LowerOf(std::int32_t item) const {
    return static_cast<std::size_t>(item) < lower_.size() ? lower_[static_cast<std::size_t>(item)] : -1;
}

void NameTable::SetLower(std::int32_t item, std::int32_t lower) {
    const auto at = static_cast<std::size_t>(item);
    if (at >= lower_.size()) {
        if (lower < 0) return;
        lower_.resize(std::max(at + 1, lower_.size() * 2), -1);
    }
    lower_[at] = lower;
}

// A chain runs from the highest item down, whatever the order of insertion.
void NameTable::Place(std::int32_t item, std::uint32_t hash, std::span<const TDirItem> items) {
    Slot& slot = slots_[SlotFor(items[static_cast<std::size_t>(item)].Name(), hash, items)];
    if (slot.head < 0) {
        if (slot.head == kEmpty) ++occupied_;
        slot = Slot{-1, hash};
    }
    if (slot.head < item) {
        SetLower(item, slot.head);
        slot.head = item;
        return;
    }
    std::int32_t above = slot.head;
    while (LowerOf(above) > item) above = LowerOf(above);
    SetLower(item, LowerOf(above));
    SetLower(above, item);
}

void NameTable::Remove(std::int32_t item, std::span<const TDirItem> items) {
    PlacePending(items);
    if (slots_.empty()) return;
    const std::u16string_view name = items[static_cast<std::size_t>(item)].Name();
    Slot& slot = slots_[SlotFor(name, HashFolded(name), items)];
    if (slot.head == item) {
        slot.head = LowerOf(item);
    } else {
        std::int32_t above = slot.head;
        while (above >= 0 && LowerOf(above) != item) above = LowerOf(above);
        if (above < 0) return;
        SetLower(above, LowerOf(item));
    }
    if (slot.head == -1) slot.head = kRemoved;
    if (name.empty()) --emptyNames_;
}

void NameTable::Reserve(std::size_t count) {
    reservedSlots_ = std::max(reservedSlots_, std::bit_ceil(std::max<std::size_t>(count * 2, 16)));
}

// The heads move to their slots in the larger table by their kept hashes; the
// chains stay as they are.
void NameTable::Grow(std::size_t slots) {
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
    pendingCount_ = 0;
    occupied_ = 0;
    emptyNames_ = 0;
    scansLeft_ = kScanLookups;
    reservedSlots_ = 0;
}

}  // namespace archive
