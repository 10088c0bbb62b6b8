#pragma once
// The search record of the archiver's find operations and its search state.

#include <array>
#include <cstdint>
#include <string>

namespace archive {

// Where a search stands: the next item to look at (after a hit, the hit), the
// mask and the filters it runs with.
struct TInternalSearchRec {
    std::int32_t ItemNo = 0;
    std::array<char16_t, 260> CFindMask{};  // zero-terminated
    bool FWildCards = false;
    std::int32_t FFindAttr = 0;
    std::u16string ExclusionMask;
    bool UseProperties = false;
};

// One hit of FindFirst / FindNext.
struct TZFArchiveItem {
    std::u16string FileName;
    std::u16string StoredPath;
    std::int64_t CompressedSize = 0;
    std::int64_t UncompressedSize = 0;
    double CompressionRate = 0.0;
    bool Encrypted = false;
    std::uint16_t LastModFileDate = 0;
    std::uint16_t LastModFileTime = 0;
    std::int32_t CRC = 0;
    std::uint32_t ExternalFileAttributes = 0;
    std::string Comment;
    TInternalSearchRec Handle;
};

}  // namespace archive
