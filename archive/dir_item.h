#pragma once
// One archive member as loaded from the central directory (or rebuilt from its
// local header), with its decoded name and every extra-field block.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_records.h"

namespace archive {

enum TZFCryptoAlgorithm : std::uint8_t { caPkzipClassic, caAES_128, caAES_192, caAES_256 };

enum TZFProcessOperation : std::uint8_t {
    poAdd,
    poMove,
    poDelete,
    poUpdate,
    poRename,
    poChangeAttr,
    poChangeComment,
    poExtract,
    poTest
};

// Extra-field block IDs that the reader interprets (APPNOTE 4.5, 4.6).
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kUnicodeNameExtraId = 0x554E;  // bytes "NU"
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;  // APPNOTE 4.6.9, bytes "up"
inline constexpr std::uint16_t kAesExtraId = 0x9901;

// One extra-field block as stored: its header and a view of its data in the
// directory's storage.
struct TZFExtraFieldDataBlock {
    std::uint16_t headerID = 0;
    std::uint16_t dataSize = 0;
    std::span<const std::uint8_t> pData;  // dataSize bytes
};

// The blocks of one extra field, read from its bytes as the field lays them
// out: a block whose size runs past the field is cut to what remains, and a
// remainder too short for a block header is no block.
class TZFExtraFields {
public:
    class Iterator {
    public:
        using value_type = TZFExtraFieldDataBlock;
        using difference_type = std::ptrdiff_t;
        Iterator() = default;
        Iterator(std::span<const std::uint8_t> field, std::size_t at) : field_(field), at_(at) {}
        TZFExtraFieldDataBlock operator*() const;
        Iterator& operator++();
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        std::span<const std::uint8_t> field_;
        std::size_t at_ = 0;
    };

    TZFExtraFields() = default;
    explicit TZFExtraFields(std::span<const std::uint8_t> field) : field_(field) {}

    Iterator begin() const { return {field_, First()}; }
    Iterator end() const { return {field_, field_.size()}; }
    bool empty() const { return First() == field_.size(); }
    std::size_t size() const;
    TZFExtraFieldDataBlock operator[](std::size_t index) const;
    TZFExtraFieldDataBlock back() const { return (*this)[size() - 1]; }
    // The field's bytes as stored.
    std::span<const std::uint8_t> Bytes() const { return field_; }

private:
    std::size_t First() const { return field_.size() < 4 ? field_.size() : 0; }

    std::span<const std::uint8_t> field_;
};

// Values of the zip64 block; only those whose central field is all ones are
// set, and `given` tells which of the three 64-bit values the block held.
struct TZFZip64ExtendedInfo {
    static constexpr std::uint8_t kUncompSizeGiven = 1, kCompSizeGiven = 2, kRelOffsetGiven = 4;

    std::int64_t uncompSize = 0;
    std::int64_t compSize = 0;
    std::int64_t relOffsetLH = 0;
    std::uint32_t diskNumberStart = 0;
    std::uint8_t given = 0;
};

// One member of a directory, a fixed-size record of 104 bytes owned by its
// directory (TZFDirArray): its name, extra field, comment and zip64 values lie
// in the directory's storage and are valid until the directory is cleared.
// The record is therefore not copied: it is read in place (TZFDirArray::
// ItemRef), and a copy that outlives the directory is a TDirItemCopy
// (TZFDirArray::Item). The name and the views are set only by the directory,
// which keeps its name index in step with the names.
//
// The extra field and the comment are kept back to back behind one pointer,
// and the zip64 values (which few items have) behind another, so that a
// directory of many items stays small. The fields of the write road that the
// reader never fills (old name, password, source stream and file) are not kept.
class TDirItem {
public:
    TDirItem() = default;
    // An item outside any directory (a test's), named `name`, which it views.
    explicit TDirItem(std::u16string_view name) : name_(name) {}
    // Moved only by the directory's array as it grows.
    TDirItem(TDirItem&&) noexcept = default;
    ~TDirItem() = default;

    TZFZipCentralDir CentralDir;
    std::int32_t Position = 0;
    std::uint16_t ExtraLength = 0;
    std::uint16_t CommentLength = 0;
    std::uint16_t CompressionMethod = 0;
    TZFCryptoAlgorithm ZFEncryptionAlgorithm = caPkzipClassic;
    bool bHugeFile = false;
    bool Modified = false;
    bool Tagged = false;
    std::uint8_t CompressionMode = 0;
    TZFProcessOperation Operation = poAdd;
    bool UseOldRijndael = false;

    // The source file of an item to be added; items read from an archive have none.
    static constexpr std::u16string_view SrcFileName{};

    // The decoded name, with "/" separators as stored.
    std::u16string_view Name() const { return name_; }
    TZFExtraFields ExtraFields() const { return TZFExtraFields({texts_, ExtraLength}); }
    std::string_view Comment() const {
        return CommentLength == 0
                   ? std::string_view()
                   : std::string_view(reinterpret_cast<const char*>(texts_) + ExtraLength, CommentLength);
    }
    // Values of the zip64 block; all zero for an item without one.
    const TZFZip64ExtendedInfo& Zip64ExtInfo() const {
        static constexpr TZFZip64ExtendedInfo kNone{};
        return zip64Values_ != nullptr ? *zip64Values_ : kNone;
    }

    // The sizes and offset, each the zip64 value where the central field is all
    // ones and the zip64 block holds a value for it. A field of all ones without
    // one is a 32-bit value like any other: a member of 4,294,967,295 bytes
    // written without zip64 records.
    std::int64_t CompressedSize() const {
        return Zip64Given(CentralDir.compSize, TZFZip64ExtendedInfo::kCompSizeGiven) ? zip64Values_->compSize
                                                                                     : CentralDir.compSize;
    }
    std::int64_t UncompressedSize() const {
        return Zip64Given(CentralDir.unCompSize, TZFZip64ExtendedInfo::kUncompSizeGiven) ? zip64Values_->uncompSize
                                                                                         : CentralDir.unCompSize;
    }
    std::int64_t LocalHeaderOffset() const {
        return Zip64Given(CentralDir.relOffsetLH, TZFZip64ExtendedInfo::kRelOffsetGiven) ? zip64Values_->relOffsetLH
                                                                                         : CentralDir.relOffsetLH;
    }
    // Whether the 32-bit `field` hands over to the zip64 value marked `given`.
    bool Zip64Given(std::uint32_t field, std::uint8_t given) const {
        return field == kZip64Marker32 && zip64Values_ != nullptr && (zip64Values_->given & given) != 0;
    }

private:
    friend class TZFDirArray;
    friend class TDirItemCopy;
    friend class LoadedItems;
    friend void ShiftLocalHeaderOffset(TDirItem& item, std::int64_t stub);

    TDirItem(const TDirItem&) = default;
    TDirItem& operator=(const TDirItem&) = default;
    TDirItem& operator=(TDirItem&&) noexcept = default;

    // Set by the directory (TZFDirArray::SetItemName, KeepTexts, Zip64Of).
    std::u16string_view name_;
    const std::uint8_t* texts_ = nullptr;  // the extra field, then the comment
    TZFZip64ExtendedInfo* zip64Values_ = nullptr;
};

// Moves the local header offset of a file item (not a folder: attribute 0x10)
// by a prefix of `stub` bytes: the zip64 offset where the central field hands
// over to it, else the 32-bit field, which wraps.
void ShiftLocalHeaderOffset(TDirItem& item, std::int64_t stub);

// An item copied out of its directory together with everything it views (name,
// extra field, comment, zip64 values): valid after the directory is cleared or
// gone. Reads as the item it holds.
class TDirItemCopy {
public:
    explicit TDirItemCopy(const TDirItem& item) { Assign(item); }
    TDirItemCopy(const TDirItemCopy& other) { Assign(other.item_); }
    TDirItemCopy& operator=(const TDirItemCopy& other) {
        if (this != &other) Assign(other.item_);
        return *this;
    }
    ~TDirItemCopy() = default;

    const TDirItem& operator*() const { return item_; }
    const TDirItem* operator->() const { return &item_; }

private:
    void Assign(const TDirItem& item);

    std::u16string name_;
    std::vector<std::uint8_t> texts_;
    std::optional<TZFZip64ExtendedInfo> zip64Values_;
    TDirItem item_;  // its views point into the members above
};

// What a directory of many items costs is mostly this record.
static_assert(sizeof(void*) != 8 || sizeof(TDirItem) <= 104, "the item record has grown");

}  // namespace archive
