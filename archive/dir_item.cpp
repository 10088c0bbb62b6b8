#include "archive/dir_item.h"

#include "archive/byte_reader.h"

namespace archive {
namespace {

constexpr std::size_t kBlockHeaderSize = 4;

// The block at `at` (a block header fits there): its size cut to the field.
TZFExtraFieldDataBlock BlockAt(std::span<const std::uint8_t> field, std::size_t at) {
    TZFExtraFieldDataBlock block;
    block.headerID = static_cast<std::uint16_t>(field[at] | field[at + 1] << 8);
    block.dataSize = static_cast<std::uint16_t>(field[at + 2] | field[at + 3] << 8);
    const std::size_t left = field.size() - at - kBlockHeaderSize;
    if (block.dataSize > left) block.dataSize = static_cast<std::uint16_t>(left);
    block.pData = field.subspan(at + kBlockHeaderSize, block.dataSize);
    return block;
}

}  // namespace

TZFExtraFieldDataBlock TZFExtraFields::Iterator::operator*() const { return BlockAt(field_, at_); }

// After the last block the iterator stands at the field's end, also when a
// remainder shorter than a block header is left.
TZFExtraFields::Iterator& TZFExtraFields::Iterator::operator++() {
    at_ += kBlockHeaderSize + BlockAt(field_, at_).dataSize;
    if (field_.size() - at_ < kBlockHeaderSize) at_ = field_.size();
    return *this;
}

std::size_t TZFExtraFields::size() const {
    std::size_t count = 0;
    for (auto it = begin(); it != end(); ++it) ++count;
    return count;
}

TZFExtraFieldDataBlock TZFExtraFields::operator[](std::size_t index) const {
    auto it = begin();
    for (std::size_t i = 0; i < index; ++i) ++it;
    return *it;
}

void ShiftLocalHeaderOffset(TDirItem& item, std::int64_t stub) {
    constexpr std::uint32_t kDirectoryAttribute = 0x10;
    TZFZipCentralDir& cd = item.CentralDir;
    if ((cd.externalAttr & kDirectoryAttribute) != 0) return;
    if (item.Zip64Given(cd.relOffsetLH, TZFZip64ExtendedInfo::kRelOffsetGiven)) {
        item.zip64Values_->relOffsetLH += stub;
    } else {
        cd.relOffsetLH += static_cast<std::uint32_t>(stub);
    }
}

// The copy's views are pointed at its own copies of what the item views.
void TDirItemCopy::Assign(const TDirItem& item) {
    name_.assign(item.Name());
    const std::size_t textBytes = std::size_t{item.ExtraLength} + item.CommentLength;
    texts_.assign(item.texts_, item.texts_ + (item.texts_ != nullptr ? textBytes : 0));
    zip64Values_.reset();
    if (item.zip64Values_ != nullptr) zip64Values_ = *item.zip64Values_;
    item_ = item;
    item_.name_ = name_;
    item_.texts_ = texts_.empty() ? nullptr : texts_.data();
    item_.zip64Values_ = zip64Values_ ? &*zip64Values_ : nullptr;
}

}  // namespace archive
