#include "archive/name_index.h"

#include <algorithm>

#include "platform/strings.h"

namespace archive {

std::uint32_t HashKey(std::u16string_view key) {
    std::uint32_t h = 0;
    for (char16_t unit : key) h = ((h << 2) | (h >> 30)) ^ unit;
    return h;
}

// --- TZFStringHash ---

TZFStringHash::TZFStringHash(std::uint32_t aSize) : Buckets(std::max<std::uint32_t>(aSize, 1), -1) {}

std::int32_t* TZFStringHash::FindLink(std::u16string_view key) {
    std::int32_t* link = &Buckets[HashKey(key) % Buckets.size()];
    while (*link >= 0) {
        THashItem& node = nodes_[static_cast<std::size_t>(*link)];
        if (node.Key == key) return link;
        link = &node.Next;
    }
    return nullptr;
}

void TZFStringHash::Add(std::u16string key, std::int32_t value) {
    std::int32_t& head = Buckets[HashKey(key) % Buckets.size()];
    THashItem node{head, std::move(key), value};
    std::int32_t slot = freeList_;
    if (slot >= 0) {
        freeList_ = nodes_[static_cast<std::size_t>(slot)].Next;
        nodes_[static_cast<std::size_t>(slot)] = std::move(node);
    } else {
        slot = static_cast<std::int32_t>(nodes_.size());
        nodes_.push_back(std::move(node));
    }
    head = slot;
}

std::int32_t TZFStringHash::ValueOf(std::u16string_view key) const {
    for (std::int32_t at = Buckets[HashKey(key) % Buckets.size()]; at >= 0;) {
        const THashItem& node = nodes_[static_cast<std::size_t>(at)];
        if (node.Key == key) return node.Value;
        at = node.Next;
    }
    return -1;
}

bool TZFStringHash::Modify(std::u16string_view key, std::int32_t value) {
    std::int32_t* link = FindLink(key);
    if (!link) return false;
    nodes_[static_cast<std::size_t>(*link)].Value = value;
    return true;
}

void TZFStringHash::Remove(std::u16string_view key) {
    std::int32_t* link = FindLink(key);
    if (!link) return;
    const std::int32_t removed = *link;
    THashItem& node = nodes_[static_cast<std::size_t>(removed)];
    *link = node.Next;
    node.Key.clear();
    node.Next = freeList_;
    freeList_ = removed;
}

void TZFStringHash::Clear() {
    std::fill(Buckets.begin(), Buckets.end(), -1);
    nodes_.clear();
    freeList_ = -1;
}

// --- TZFHashedStringList ---

std::u16string TZFHashedStringList::Fold(std::u16string_view s) const {
    return CaseSensitive ? std::u16string(s) : platform::LowerAscii(s);
}

std::int32_t TZFHashedStringList::Add(std::u16string s) {
    const auto index = static_cast<std::int32_t>(strings_.size());
    if (FValueHash && FValueHashValid) FValueHash->Add(Fold(s), index);
    strings_.push_back(std::move(s));
    // A table past five keys per bucket is dropped and rebuilt, one bucket per
    // string, at the next lookup.
    if (FValueHash && strings_.size() > 5ull * FValueHash->Size()) {
        FValueHash.reset();
        FValueHashValid = false;
    }
    return index;
}

std::int32_t TZFHashedStringList::IndexOf(std::u16string_view s) {
    if (!FValueHash) {
        FValueHash = std::make_unique<TZFStringHash>(std::max<std::uint32_t>(static_cast<std::uint32_t>(Count()), 1000));
    }
    if (!FValueHashValid) {
        FValueHash->Clear();
        for (std::int32_t i = 0; i < Count(); ++i) FValueHash->Add(Fold(strings_[static_cast<std::size_t>(i)]), i);
        FValueHashValid = true;
    }
    return FValueHash->ValueOf(Fold(s));
}

void TZFHashedStringList::Update(std::int32_t index, std::u16string newValue) {
    auto& slot = strings_.at(static_cast<std::size_t>(index));
    if (FValueHash && FValueHashValid) {
        FValueHash->Remove(Fold(slot));
        FValueHash->Add(Fold(newValue), index);
    }
    slot = std::move(newValue);
}

void TZFHashedStringList::Delete(std::int32_t index) {
    strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(&strings_.at(static_cast<std::size_t>(index)) -
                                                                  strings_.data()));
    FValueHashValid = false;
}

void TZFHashedStringList::Clear() {
    strings_.clear();
    if (FValueHash) FValueHash->Clear();
}

}  // namespace archive
