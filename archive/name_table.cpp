#include "archive/name_table.h"

#include <algorithm>
#include <bit>

namespace archive {
namespace {

// Code unit `at` of a name kept in bytes or in UTF-16 units.
struct NarrowUnits {
    const std::uint8_t* data;
    char16_t operator[](std::size_t at) const { return data[at]; }
};
struct WideUnits {
    const std::uint8_t* data;
    char16_t operator[](std::size_t at) const {
        char16_t unit;
        std::memcpy(&unit, data + 2 * at, sizeof unit);
        return unit;
    }
};

// The last units first: names in one folder share their beginnings.
template <typename A, typename B>
bool EqualUnits(A a, B b, std::size_t length) {
    if (length == 0) return true;
    if (a[length - 1] != b[length - 1] && FoldAscii(a[length - 1]) != FoldAscii(b[length - 1])) return false;
    for (std::size_t i = 0; i + 1 < length; ++i) {
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

template <typename A>
bool EqualTo(A a, NameView b) {
    return b.wide ? EqualUnits(a, WideUnits{b.data}, b.length) : EqualUnits(a, NarrowUnits{b.data}, b.length);
}

bool EqualViews(NameView a, NameView b) {
    if (a.length != b.length) return false;
    return a.wide ? EqualTo(WideUnits{a.data}, b) : EqualTo(NarrowUnits{a.data}, b);
}

// Four code units at a time, as one 64-bit word of UTF-16 units. Setting bit
// 5 of every unit makes a capital ASCII letter hash like its small one; the
// few other units it pairs up (such as "@" and "`") only share a hash, and
// EqualFolded tells them apart.
template <typename Load4, typename Units>
std::uint32_t HashUnits(std::size_t length, Load4 load4, Units units) {
    constexpr std::uint64_t kCaseBits = 0x0020002000200020ull;
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = length;
    std::size_t at = 0;
    for (; at + 4 <= length; at += 4) h = (std::rotl(h, 23) ^ (load4(at) | kCaseBits)) * kMultiplier;
    std::uint64_t tail = 0;
    for (std::size_t k = 0; at + k < length; ++k) tail |= std::uint64_t{units[at + k]} << (16 * k);
    h = (std::rotl(h, 23) ^ (tail | kCaseBits)) * kMultiplier;
    return static_cast<std::uint32_t>(h ^ (h >> 29));
}

std::uint32_t HashWide(const std::uint8_t* data, std::size_t length) {
    return HashUnits(
        length,
        [data](std::size_t at) {
            std::uint64_t word;
            std::memcpy(&word, data + 2 * at, sizeof word);
            return word;
        },
        WideUnits{data});
}

// Four bytes spread to the four units they stand for.
std::uint32_t HashNarrow(const std::uint8_t* data, std::size_t length) {
    return HashUnits(
        length,
        [data](std::size_t at) {
            std::uint32_t bytes;
            std::memcpy(&bytes, data + at, sizeof bytes);
            std::uint64_t word = bytes;
            word = (word | word << 16) & 0x0000FFFF0000FFFFull;
            return (word | word << 8) & 0x00FF00FF00FF00FFull;
        },
        NarrowUnits{data});
}

}  // namespace

bool EqualFolded(std::u16string_view a, std::u16string_view b) { return EqualViews(NameView::Of(a), NameView::Of(b)); }
bool EqualFolded(NameView kept, std::u16string_view name) { return EqualViews(kept, NameView::Of(name)); }

std::uint32_t HashFolded(std::u16string_view key) { return HashFolded(NameView::Of(key)); }
std::uint32_t HashFolded(NameView key) {
    return key.wide ? HashWide(key.data, key.length) : HashNarrow(key.data, key.length);
}

std::int32_t IndexedNames::FindDown(std::int32_t first, std::int32_t last, std::u16string_view name) const {
    for (std::int32_t item = last; item >= first; --item) {
        if (EqualFolded(NameOf(item), name)) return item;
    }
    return -1;
}

// The hash's bits are spread over the slot number by a Fibonacci multiply, so
// that names that differ only in a few characters do not crowd together.
std::size_t NameTable::StartSlot(std::uint32_t hash) const {
    const int bits = std::countr_zero(slots_.size());
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

template <typename Name>
std::size_t NameTable::SlotFor(const Name& name, std::uint32_t hash, const IndexedNames& names) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t free = slots_.size();
    for (std::size_t at = StartSlot(hash);; at = (at + 1) & mask) {
        const std::int32_t head = slots_[at];
        if (head == kEmpty) return free < slots_.size() ? free : at;
        if (head == kRemoved) {
            if (free == slots_.size()) free = at;
        } else if (EqualViews(names.NameOf(head), name)) {
            return at;
        }
    }
}

// A new item's name is empty; it is looked for only while some item is
// indexed under the empty name.
std::int32_t NameTable::Find(std::u16string_view name, const IndexedNames& names) {
    if (!MayHold(name)) return -1;
    if (occupied_ == 0 && scansLeft_ > 0) {
        --scansLeft_;
        return ScanPending(name, names);
    }
    PlacePending(names);
    if (slots_.empty()) return -1;
    const std::int32_t head = slots_[SlotFor(NameView::Of(name), HashFolded(name), names)];
    return head >= 0 ? head : -1;
}

// Only while nothing is placed: then the waiting items are all the index
// holds. Each run is read from its highest item down, and only above the best
// answer so far.
std::int32_t NameTable::ScanPending(std::u16string_view name, const IndexedNames& names) const {
    std::int32_t best = -1;
    for (const PendingRun& run : pending_) {
        const std::int32_t first = std::max(run.first, best + 1);
        if (first > run.first + run.count - 1) continue;
        const std::int32_t found = names.FindDown(first, run.first + run.count - 1, name);
        if (found >= 0) best = found;
    }
    return best;
}

void NameTable::Insert(std::int32_t item, const IndexedNames& names) {
    InsertRun(item, 1, names.NameOf(item).length == 0 ? 1 : 0);
}

// Items indexed one after the other, as a load does, wait as one run.
void NameTable::InsertRun(std::int32_t first, std::int32_t count, std::size_t emptyNames) {
    if (count <= 0) return;
    if (!pending_.empty() && pending_.back().first + pending_.back().count == first) {
        pending_.back().count += count;
    } else {
        pending_.push_back(PendingRun{first, count});
    }
    pendingCount_ += static_cast<std::size_t>(count);
    emptyNames_ += emptyNames;
}

// The hash of an item a few places ahead is computed first, and its slot is
// already on its way into the cache when the item is placed, since the slots
// are reached in no order.
void NameTable::PlacePending(const IndexedNames& names) {
    if (pending_.empty()) return;
    if ((occupied_ + pendingCount_) * 2 > slots_.size()) {
        Grow(std::max(std::bit_ceil(std::max<std::size_t>((occupied_ + pendingCount_) * 2, 16)), reservedSlots_),
             names);
    }
    constexpr std::size_t kAhead = 8;
    std::uint32_t ahead[kAhead];
    std::int32_t order[kAhead];
    NameView views[kAhead];
    std::size_t k = 0;
    const auto place = [&](std::size_t at) {
        Place(order[at % kAhead], views[at % kAhead], ahead[at % kAhead], names);
    };
    for (const PendingRun& run : pending_) {
        for (std::int32_t item = run.first; item < run.first + run.count; ++item, ++k) {
            if (k >= kAhead) place(k - kAhead);
            const NameView name = names.NameOf(item);
            const std::uint32_t hash = HashFolded(name);
            __builtin_prefetch(&slots_[StartSlot(hash)], 1);
            ahead[k % kAhead] = hash;
            order[k % kAhead] = item;
            views[k % kAhead] = name;
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
void NameTable::Place(std::int32_t item, NameView name, std::uint32_t hash, const IndexedNames& names) {
    std::int32_t& head = slots_[SlotFor(name, hash, names)];
    if (head < 0) {
        if (head == kEmpty) ++occupied_;
        head = -1;
    }
    if (head < item) {
        SetLower(item, head);
        head = item;
        return;
    }
    std::int32_t above = head;
    while (LowerOf(above) > item) above = LowerOf(above);
    SetLower(item, LowerOf(above));
    SetLower(above, item);
}

void NameTable::Remove(std::int32_t item, const IndexedNames& names) {
    PlacePending(names);
    if (slots_.empty()) return;
    const NameView name = names.NameOf(item);
    std::int32_t& head = slots_[SlotFor(name, HashFolded(name), names)];
    if (head == item) {
        head = LowerOf(item);
    } else {
        std::int32_t above = head;
        while (above >= 0 && LowerOf(above) != item) above = LowerOf(above);
        if (above < 0) return;
        SetLower(above, LowerOf(item));
    }
    if (head == -1) head = kRemoved;
    if (name.length == 0) --emptyNames_;
}

void NameTable::Reserve(std::size_t count) {
    reservedSlots_ = std::max(reservedSlots_, std::bit_ceil(std::max<std::size_t>(count * 2, 16)));
}

// The heads move to their slots in the larger table by their names' hashes;
// the chains stay as they are.
void NameTable::Grow(std::size_t slots, const IndexedNames& names) {
    decltype(slots_) old(slots, kEmpty);
    old.swap(slots_);
    occupied_ = 0;
    const std::size_t mask = slots_.size() - 1;
    for (const std::int32_t head : old) {
        if (head < 0) continue;
        std::size_t at = StartSlot(HashFolded(names.NameOf(head)));
        while (slots_[at] != kEmpty) at = (at + 1) & mask;
        slots_[at] = head;
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
