#include "archive/name_store.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/bulk_memory.h"

namespace archive {
namespace {

// The length in units and the width, as one number of one to three bytes,
// seven bits each, the lowest first: twice the length, plus one when wide.
std::size_t PutLength(std::uint8_t* at, std::uint32_t value) {
    std::size_t n = 0;
    while (value >= 0x80) {
        at[n++] = static_cast<std::uint8_t>(value | 0x80);
        value >>= 7;
    }
    at[n++] = static_cast<std::uint8_t>(value);
    return n;
}

bool AllAscii(std::u16string_view name) {
    for (const char16_t unit : name) {
        if (unit >= 0x80) return false;
    }
    return true;
}

}  // namespace

void NameStore::BlockDeleter::operator()(std::uint8_t* block) const noexcept { platform::FreeBulk(block, bytes); }

// The longest entry: a wide name of kMaxLength units behind its length.
constexpr std::uint32_t kMaxLengthValue = 2 * NameStore::kMaxLength + 1;
// Three bytes no name's length reads as: the names go on in the next block.
constexpr std::uint8_t kNextBlock[3] = {0xFF, 0xFF, 0x7F};

void NameStore::Append(std::u16string_view name) {
    if (!AllAscii(name)) {
        Append(name.data(), name.size(), true);
        return;
    }
    if (name.size() > kMaxLength) throw std::bad_alloc();
    std::uint8_t* entry = Room(name.size() + 3);
    std::uint8_t* units = entry + PutLength(entry, static_cast<std::uint32_t>(name.size() * 2));
    for (std::size_t i = 0; i < name.size(); ++i) units[i] = static_cast<std::uint8_t>(name[i]);
    used_ += static_cast<std::size_t>(units + name.size() - entry);
    if (name.empty()) ++emptyNames_;
    ++count_;
}

void NameStore::Append(const void* units, std::size_t length, bool wide) {
    if (length > kMaxLength) throw std::bad_alloc();
    const std::size_t bytes = wide ? 2 * length : length;
    std::uint8_t* entry = Room(bytes + 3);
    const std::size_t head = PutLength(entry, static_cast<std::uint32_t>(2 * length + (wide ? 1 : 0)));
    if (bytes > 0) std::memcpy(entry + head, units, bytes);
    used_ += head + bytes;
    if (length == 0) ++emptyNames_;
    ++count_;
}

// Room for an entry of at most `bytes` at the end of the last block, which
// keeps three bytes more for the mark that sends a group on to a new block.
std::uint8_t* NameStore::Room(std::size_t bytes) {
    const bool groupStarts = count_ % kGroup == 0;
    if (capacity_ - used_ < bytes + sizeof kNextBlock) {
        if (!blocks_.empty() && !groupStarts) std::memcpy(blocks_.back().get() + used_, kNextBlock, sizeof kNextBlock);
        const std::size_t size = std::max(nextBlockBytes_, bytes + sizeof kNextBlock);
        blocks_.emplace_back(static_cast<std::uint8_t*>(platform::AllocateBulk(size)), BlockDeleter{size});
        nextBlockBytes_ = std::min(2 * nextBlockBytes_, kBlockBytes);
        used_ = 0;
        capacity_ = size;
    }
    if (groupStarts) {
        groups_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(used_)});
    }
    return blocks_.back().get() + used_;
}

NameView NameStore::Next(Cursor& cursor) const {
    for (;;) {
        const std::uint8_t* entry = cursor.at;
        std::uint32_t value = 0;
        int shift = 0;
        while (*entry & 0x80) {
            value |= std::uint32_t{*entry++ & 0x7Fu} << shift;
            shift += 7;
        }
        value |= std::uint32_t{*entry++} << shift;
        if (value > kMaxLengthValue) {
            ++cursor.block;
            cursor.at = blocks_[cursor.block].get();
            continue;
        }
        const NameView name{entry, value >> 1, (value & 1) != 0};
        cursor.at = entry + (name.wide ? 2 * std::size_t{name.length} : name.length);
        return name;
    }
}

NameView NameStore::NameOf(std::int32_t item) const {
    Cursor cursor = GroupStart(item / kGroup);
    for (std::int32_t k = item % kGroup; k > 0; --k) Next(cursor);
    return Next(cursor);
}

// A group at a time from the highest down: its names are read forward, then
// tried from the last.
std::int32_t NameStore::FindDown(std::int32_t first, std::int32_t last, std::u16string_view name) const {
    if (last >= count_) last = count_ - 1;
    for (std::int32_t group = last / kGroup; group >= 0 && group * kGroup + kGroup - 1 >= first; --group) {
        NameView names[kGroup];
        Cursor cursor = GroupStart(group);
        const std::int32_t base = group * kGroup;
        const std::int32_t top = std::min(last, base + kGroup - 1);
        for (std::int32_t k = 0; k <= top - base; ++k) names[k] = Next(cursor);
        for (std::int32_t item = top; item >= std::max(first, base); --item) {
            const NameView& candidate = names[item - base];
            if (candidate.length == name.size() && EqualFolded(candidate, name)) return item;
        }
    }
    return -1;
}

void NameStore::Clear() {
    blocks_.clear();
    used_ = 0;
    capacity_ = 0;
    nextBlockBytes_ = kFirstBlockBytes;
    groups_.clear();
    count_ = 0;
    emptyNames_ = 0;
}

}  // namespace archive
