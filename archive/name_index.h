#pragma once
// The hashed list of item names: an ordered, unsorted list of UTF-16 strings
// (duplicates allowed) with a chained hash table from folded string to index.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace archive {

// Rotate-left-by-2-and-xor hash over the UTF-16 code units of `key`.
std::uint32_t HashKey(std::u16string_view key);

// A chained hash table with a fixed bucket count. Add puts a node at the head
// of its chain, so among equal keys the one added last is found first.
class TZFStringHash {
public:
    struct THashItem {
        std::int32_t Next;  // index of the next node in the chain, -1 at the end
        std::u16string Key;
        std::int32_t Value;
    };

    explicit TZFStringHash(std::uint32_t aSize);

    void Add(std::u16string key, std::int32_t value);
    std::int32_t ValueOf(std::u16string_view key) const;  // -1 when absent
    bool Modify(std::u16string_view key, std::int32_t value);
    void Remove(std::u16string_view key);
    void Clear();

    std::uint32_t Size() const { return static_cast<std::uint32_t>(Buckets.size()); }

private:
    // Index of the link that points at the first node with `key` (a bucket head
    // or a node's Next), or null.
    std::int32_t* FindLink(std::u16string_view key);

    std::vector<std::int32_t> Buckets;  // chain heads, -1 when empty
    // The nodes live in one pool; removed nodes are recycled through a free list.
    std::vector<THashItem> nodes_;
    std::int32_t freeList_ = -1;
};

class TZFHashedStringList {
public:
    TZFHashedStringList() = default;

    std::int32_t Add(std::u16string s);
    std::int32_t IndexOf(std::u16string_view s);
    void Update(std::int32_t index, std::u16string newValue);
    void Delete(std::int32_t index);
    void Clear();

    std::int32_t Count() const { return static_cast<std::int32_t>(strings_.size()); }
    const std::u16string& operator[](std::int32_t index) const { return strings_[static_cast<std::size_t>(index)]; }
    void Reserve(std::size_t count) { strings_.reserve(count); }

    bool CaseSensitive = false;

    // Bucket count of the value hash, 0 while there is none (for diagnostics and tests).
    std::uint32_t HashBucketCount() const { return FValueHash ? FValueHash->Size() : 0; }

private:
    std::u16string Fold(std::u16string_view s) const;

    std::vector<std::u16string> strings_;
    std::unique_ptr<TZFStringHash> FValueHash;
    bool FValueHashValid = true;
};

}  // namespace archive
