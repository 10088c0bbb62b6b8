#include "archive/dir_array.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "archive/ascii_names.h"
#include "archive/errors.h"

namespace archive {

void TZFDirArray::SetCount(std::int32_t n) {
    if (n <= 0) {
        Clear();
        decltype(FItems)().swap(FItems);
        return;
    }
    if (loaded_ && n == ItemCount) return;
    RefuseLoaded();
    if (n > AllocItemCount()) {
        AllocBy = std::min(2 * AllocBy, MaxAllocBy);
        FItems.reserve(static_cast<std::size_t>(std::max(AllocItemCount() + AllocBy, n)));
    }
    // Only the slots in use are made: the rest of the allocation is not
    // touched, so a small archive costs no more than its items.
    if (static_cast<std::size_t>(n) > FItems.size()) FItems.resize(static_cast<std::size_t>(n));
    // Slots beyond the count are emptied, and leave the index, so that a later
    // growth starts them fresh.
    for (std::int32_t i = n; i < ItemCount; ++i) {
        names_.Remove(i, ItemNames(Items()));
        FItems[static_cast<std::size_t>(i)] = TDirItem{};
    }
    ItemCount = n;
}

void TZFDirArray::Adopt(std::unique_ptr<LoadedItems> items) {
    SetCount(0);
    loaded_ = std::move(items);
    ItemCount = loaded_->Count();
    names_.Reserve(static_cast<std::size_t>(ItemCount));
    names_.InsertRun(0, ItemCount, loaded_->Names().EmptyNames());
}

void TZFDirArray::RefuseLoaded() const {
    if (loaded_) throw std::logic_error("a loaded directory is read only");
}

TDirItemCopy TZFDirArray::Item(std::int32_t index) const {
    if (index < 0 || index >= ItemCount) throw EZFException(NativeCode::kCopyIndexOutOfRange, nullptr);
    return TDirItemCopy(loaded_ ? loaded_->Record(index) : FItems[static_cast<std::size_t>(index)]);
}

TDirItem& TZFDirArray::ItemRef(std::int32_t index) {
    if (index < 0 || index >= ItemCount) throw EZFException(NativeCode::kInPlaceIndexOutOfRange, nullptr);
    return loaded_ ? loaded_->Record(index) : FItems[static_cast<std::size_t>(index)];
}

const TDirItem& TZFDirArray::ItemRef(std::int32_t index) const {
    if (index < 0 || index >= ItemCount) throw EZFException(NativeCode::kInPlaceIndexOutOfRange, nullptr);
    return loaded_ ? loaded_->Record(index) : FItems[static_cast<std::size_t>(index)];
}

// The highest item indexed under the current name of item `index`.
std::int32_t TZFDirArray::IndexedAt(std::int32_t index) {
    const std::u16string_view name = FItems[static_cast<std::size_t>(index)].Name();
    return names_.MayHold(name) ? names_.Find(name, ItemNames(Items())) : -1;
}

void TZFDirArray::SetItemName(std::int32_t index, std::u16string_view name) {
    RefuseLoaded();
    ItemRef(index);
    SetStoredName(index, texts_.Keep(name));
}

void TZFDirArray::SetAsciiItemName(std::int32_t index, std::span<const std::uint8_t> name) {
    RefuseLoaded();
    ItemRef(index);
    char16_t* units = name.empty() ? nullptr : texts_.AllocateUnits(name.size());
    WidenAsciiName(name, units);
    SetStoredName(index, {units, name.size()});
}

// The name index holds one key per item. A new item's current name is empty,
// so an earlier item without a name is found in its place and the index is
// out of step (native code 59).
void TZFDirArray::SetStoredName(std::int32_t index, std::u16string_view stored) {
    const std::int32_t found = IndexedAt(index);
    TDirItem& item = FItems[static_cast<std::size_t>(index)];
    if (found >= 0 && found != index) throw EZFException(NativeCode::kNameIndexOutOfStep, nullptr);
    if (found == index) names_.Remove(index, ItemNames(Items()));
    item.name_ = stored;
    names_.Insert(index, ItemNames(Items()));
}

bool TZFDirArray::FileExists(std::u16string_view fileName, std::int32_t& itemNo) {
    itemNo = loaded_ ? names_.Find(fileName, loaded_->Names()) : names_.Find(fileName, ItemNames(Items()));
    return itemNo >= 0;
}

void TZFDirArray::Clear() {
    if (loaded_) {
        loaded_.reset();
        ItemCount = 0;
    }
    for (std::int32_t i = 0; i < ItemCount; ++i) FItems[static_cast<std::size_t>(i)] = TDirItem{};
    ItemCount = 0;
    names_.Clear();
    texts_.Clear();
}

std::uint8_t* TZFDirArray::ReserveTexts(std::int32_t index, std::size_t bytes) {
    RefuseLoaded();
    TDirItem& item = ItemRef(index);
    auto* texts = bytes == 0 ? nullptr : static_cast<std::uint8_t*>(texts_.AllocateBytes(bytes, 1));
    item.texts_ = texts;
    item.ExtraLength = 0;
    item.CommentLength = 0;
    return texts;
}

void TZFDirArray::KeepTexts(std::int32_t index, std::span<const std::uint8_t> extra,
                            std::span<const std::uint8_t> comment) {
    std::uint8_t* texts = ReserveTexts(index, extra.size() + comment.size());
    if (!extra.empty()) std::memcpy(texts, extra.data(), extra.size());
    if (!comment.empty()) std::memcpy(texts + extra.size(), comment.data(), comment.size());
    TDirItem& item = ItemRef(index);
    item.ExtraLength = static_cast<std::uint16_t>(extra.size());
    item.CommentLength = static_cast<std::uint16_t>(comment.size());
}

TZFZip64ExtendedInfo& TZFDirArray::Zip64Of(std::int32_t index) {
    RefuseLoaded();
    TDirItem& item = ItemRef(index);
    if (item.zip64Values_ == nullptr) {
        item.zip64Values_ = new (texts_.AllocateBytes(sizeof(TZFZip64ExtendedInfo), alignof(TZFZip64ExtendedInfo)))
            TZFZip64ExtendedInfo{};
    }
    return *item.zip64Values_;
}

void TZFDirArray::ShiftLocalHeaderOffsets(std::int64_t stub) {
    if (loaded_) {
        loaded_->ShiftLocalHeaderOffsets(stub);
        return;
    }
    for (std::int32_t i = 0; i < ItemCount; ++i) ShiftLocalHeaderOffset(FItems[static_cast<std::size_t>(i)], stub);
}

std::int32_t TZFDirArray::FirstItemWithData() const {
    if (loaded_) return loaded_->FirstItemWithData();
    for (std::int32_t i = 0; i < ItemCount; ++i) {
        if (FItems[static_cast<std::size_t>(i)].CentralDir.compSize != 0) return i;
    }
    return -1;
}

unsigned __int128 TZFDirArray::CompressedSizeSum() const {
    if (loaded_) return loaded_->CompressedSizeSum();
    unsigned __int128 sum = 0;
    for (std::int32_t i = 0; i < ItemCount; ++i) {
        sum += static_cast<std::uint64_t>(FItems[static_cast<std::size_t>(i)].CompressedSize());
    }
    return sum;
}

void TZFDirArray::Expect(std::int32_t items) { names_.Reserve(static_cast<std::size_t>(std::max(items, 0))); }

}  // namespace archive
