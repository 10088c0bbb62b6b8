#include "archive/dir_array.h"

#include <algorithm>

#include "archive/errors.h"
#include "platform/strings.h"

namespace archive {

namespace {
constexpr std::int32_t kCopyIndexError = 2;
constexpr std::int32_t kInPlaceIndexError = 3;
constexpr std::int32_t kNameIndexError = 59;
}  // namespace

void TZFDirArray::SetCount(std::int32_t n) {
    if (n <= 0) {
        Clear();
        std::vector<TDirItem>().swap(FItems);
        return;
    }
    if (n > AllocItemCount()) {
        AllocBy = std::min(2 * AllocBy, MaxAllocBy);
        FItems.resize(static_cast<std::size_t>(std::max(AllocItemCount() + AllocBy, n)));
    }
    // Slots beyond the count are kept empty, so a later growth starts them fresh.
    for (std::int32_t i = n; i < ItemCount; ++i) FItems[static_cast<std::size_t>(i)] = TDirItem{};
    ItemCount = n;
}

TDirItem TZFDirArray::Item(std::int32_t index) const {
    if (index < 0 || index >= ItemCount) throw EZFException(kCopyIndexError, nullptr);
    return FItems[static_cast<std::size_t>(index)];
}

TDirItem& TZFDirArray::ItemRef(std::int32_t index) {
    if (index < 0 || index >= ItemCount) throw EZFException(kInPlaceIndexError, nullptr);
    return FItems[static_cast<std::size_t>(index)];
}

const TDirItem& TZFDirArray::ItemRef(std::int32_t index) const {
    if (index < 0 || index >= ItemCount) throw EZFException(kInPlaceIndexError, nullptr);
    return FItems[static_cast<std::size_t>(index)];
}

// The name index holds one key per item at the item's index. A new item's
// current name is empty, so an earlier item without a name is found in its
// place and the index is out of step (native code 59).
void TZFDirArray::SetItemName(std::int32_t index, std::u16string name) {
    TDirItem& item = ItemRef(index);
    const std::int32_t found = FItemNamesList.IndexOf(platform::LowerAscii(item.Name));
    if (found < 0) {
        FItemNamesList.Add(platform::LowerAscii(name));
    } else if (found == index) {
        FItemNamesList.Update(index, platform::LowerAscii(name));
    } else {
        throw EZFException(kNameIndexError, nullptr);
    }
    item.Name = std::move(name);
}

bool TZFDirArray::FileExists(std::u16string_view fileName, std::int32_t& itemNo) {
    itemNo = FItemNamesList.IndexOf(platform::LowerAscii(fileName));
    return itemNo >= 0;
}

void TZFDirArray::Clear() {
    for (std::int32_t i = 0; i < ItemCount; ++i) FItems[static_cast<std::size_t>(i)] = TDirItem{};
    ItemCount = 0;
    FItemNamesList.Clear();
}

}  // namespace archive
