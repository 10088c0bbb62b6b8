#pragma once
// The names of a loaded directory, as compact as the directory holds them: a
// name of ASCII bytes stays one byte a unit, any other (decoded from the OEM
// code page or UTF-8, or given by an extra-field block) is kept as UTF-16
// units. Names are appended in item order, each behind a short length, into
// blocks that never move; an item's name is found from the position of every
// kGroup-th name, by stepping over the few names in front of it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "archive/name_table.h"

namespace archive {

class NameStore final : public IndexedNames {
public:
    static constexpr std::int32_t kGroup = 16;
    // Blocks double from the first size up to the largest (a name that needs
    // more gets a block of its size): what the store takes follows what it
    // holds, never what a directory claims, and a small directory stays small.
    static constexpr std::size_t kFirstBlockBytes = std::size_t{16} << 10;
    static constexpr std::size_t kBlockBytes = std::size_t{256} << 10;
    // The longest name in units: a directory's names have at most 65,535 bytes,
    // and those of its extra-field blocks fewer units.
    static constexpr std::size_t kMaxLength = 0xFFFF;

    NameStore() = default;
    NameStore(const NameStore&) = delete;
    NameStore& operator=(const NameStore&) = delete;

    // Room in the position list for `items` names.
    void Reserve(std::size_t items) { groups_.reserve((items + kGroup - 1) / kGroup); }
    // The next item's name; ASCII bytes are kept as bytes.
    void AppendAscii(std::span<const std::uint8_t> bytes) { Append(bytes.data(), bytes.size(), false); }
    // The next item's name, kept in bytes when every unit is ASCII.
    void Append(std::u16string_view name);
    std::int32_t Count() const { return count_; }
    // Names of no unit.
    std::size_t EmptyNames() const { return emptyNames_; }

    NameView NameOf(std::int32_t item) const override;
    std::int32_t FindDown(std::int32_t first, std::int32_t last, std::u16string_view name) const override;
    void Clear();

private:
    void Append(const void* units, std::size_t length, bool wide);
    std::uint8_t* Room(std::size_t bytes);
    struct Position {
        std::uint32_t block;
        std::uint32_t at;
    };
    const std::uint8_t* At(Position position) const { return blocks_[position.block].get() + position.at; }
    // Reads names one after the other from a group's start, into the next
    // block where a block ends before the group does.
    struct Cursor {
        std::uint32_t block;
        const std::uint8_t* at;
    };
    Cursor GroupStart(std::int32_t group) const {
        const Position& start = groups_[static_cast<std::size_t>(group)];
        return {start.block, At(start)};
    }
    NameView Next(Cursor& cursor) const;

    struct BlockDeleter {
        std::size_t bytes;
        void operator()(std::uint8_t* block) const noexcept;
    };
    std::vector<std::unique_ptr<std::uint8_t[], BlockDeleter>> blocks_;
    std::size_t used_ = 0;      // bytes used in the last block
    std::size_t capacity_ = 0;  // of the last block
    std::size_t nextBlockBytes_ = kFirstBlockBytes;
    std::vector<Position> groups_;  // where names 0, kGroup, 2 kGroup ... start
    std::int32_t count_ = 0;
    std::size_t emptyNames_ = 0;
};

}  // namespace archive
