// The search over the directory: FindFirst with a mask (or with the component's
// mask lists) and FindNext, one hit at a time, the search state kept in the
// record's Handle. The exact branch answers from the name index; the scan
// branch walks the items in directory order from the search position.
#include <algorithm>
#include <limits>

#include "archive/archiver.h"
#include "archive/masks.h"
#include "platform/strings.h"

namespace archive {
namespace {

// The drive part of a mask: "X:" when the second character is a colon; for a
// mask that starts with two backslashes, server and share up to the separator
// that follows the share name (or the whole mask when none follows).
std::size_t DriveLength(std::u16string_view mask) {
    if (mask.size() >= 2 && mask[1] == u':') return 2;
    if (mask.size() >= 2 && mask[0] == u'\\' && mask[1] == u'\\') {
        const std::size_t server = mask.find_first_of(u"\\/", 2);
        if (server == std::u16string_view::npos) return mask.size();
        const std::size_t share = mask.find_first_of(u"\\/", server + 1);
        return share == std::u16string_view::npos ? mask.size() : share;
    }
    return 0;
}

std::u16string Backslashed(std::u16string_view text) {
    std::u16string result(text);
    std::replace(result.begin(), result.end(), u'/', u'\\');
    return result;
}

std::u16string_view WithoutTrailing(std::u16string_view text, std::u16string_view separators) {
    if (!text.empty() && separators.find(text.back()) != std::u16string_view::npos) text.remove_suffix(1);
    return text;
}

// Length of the directory part: up to and including the last "\" or ":".
std::size_t DirectoryLength(std::u16string_view text) {
    const std::size_t cut = text.find_last_of(u"\\:");
    return cut == std::u16string_view::npos ? 0 : cut + 1;
}

// The directory an item or mask lies in, "\"-separated and folded, for the
// comparison of the scan branch when Recurse is off.
std::u16string DirectoryKey(std::u16string_view text) {
    const std::u16string backslashed = Backslashed(text);
    return platform::LowerAscii(std::u16string_view(backslashed).substr(0, DirectoryLength(backslashed)));
}

std::u16string_view BareName(std::u16string_view name) {
    const std::size_t cut = name.find_last_of(u"\\/");
    return cut == std::u16string_view::npos ? name : name.substr(cut + 1);
}

std::u16string MaskText(const TInternalSearchRec& handle) {
    const auto end = std::find(handle.CFindMask.begin(), handle.CFindMask.end(), u'\0');
    return std::u16string(handle.CFindMask.begin(), end);
}

double CompressionRate(std::int64_t compressed, std::int64_t uncompressed) {
    if (uncompressed <= 0) return 100.0;
    const double rate = (1.0 - static_cast<double>(compressed) / static_cast<double>(uncompressed)) * 100.0;
    return rate < 0.0 ? 0.0 : rate;
}

// Every field of the record but its search state, from one directory item.
void FillSearchRecord(TZFArchiveItem& f, const TDirItem& item) {
    const std::u16string text = Backslashed(WithoutTrailing(item.Name(), u"/"));
    const std::size_t directory = DirectoryLength(text);
    f.FileName = text.substr(directory);
    f.StoredPath = text.substr(0, directory);
    f.CompressedSize = item.CompressedSize();
    f.UncompressedSize = item.UncompressedSize();
    f.CompressionRate = CompressionRate(f.CompressedSize, f.UncompressedSize);
    f.Encrypted = (item.CentralDir.genPurposeFlag & kFlagEncrypted) != 0;
    f.LastModFileDate = item.CentralDir.lastModDate;
    f.LastModFileTime = item.CentralDir.lastModTime;
    f.CRC = static_cast<std::int32_t>(item.CentralDir.crc32);
    f.ExternalFileAttributes = item.CentralDir.externalAttr;
    f.Comment = item.Comment();
}

}  // namespace

// A mask that does not fit the record's 259 characters is refused: no hit, and
// the search is left exhausted, so FindNext finds nothing either.
bool TZFBaseArchiver::FindFirst(std::u16string_view fileMask, TZFArchiveItem& f, std::int32_t searchAttr,
                                std::u16string_view exclusionMask) {
    const std::size_t drive = FOptions.FStorePath == spFullPathWithDrive ? 0 : DriveLength(fileMask);
    std::u16string mask(fileMask.substr(drive));
    std::replace(mask.begin(), mask.end(), u'\\', u'/');

    TInternalSearchRec& handle = f.Handle;
    handle.ExclusionMask = exclusionMask;
    handle.UseProperties = false;
    handle.FFindAttr = searchAttr;
    handle.ItemNo = 0;
    handle.CFindMask.fill(u'\0');
    if (mask.size() >= handle.CFindMask.size()) {
        handle.FWildCards = false;
        handle.ItemNo = DMHandle ? DMHandle->CDir.Count() : 0;
        return false;
    }
    std::copy(mask.begin(), mask.end(), handle.CFindMask.begin());
    handle.FWildCards = mask.find_first_of(u"*?") != std::u16string::npos;
    return InternalFind(f);
}

bool TZFBaseArchiver::FindFirst(TZFArchiveItem& f) {
    f.Handle.UseProperties = true;
    f.Handle.FFindAttr = FOptions.FSearchAttr;
    f.Handle.ItemNo = 0;
    return InternalFind(f);
}

bool TZFBaseArchiver::FindNext(TZFArchiveItem& f) {
    if (f.Handle.ItemNo == std::numeric_limits<std::int32_t>::max()) return false;
    ++f.Handle.ItemNo;
    return InternalFind(f);
}

// Without an open archive there is no directory: every search finds nothing.
bool TZFBaseArchiver::InternalFind(TZFArchiveItem& f) {
    if (!DMHandle) return false;
    TZFDirArray& dir = DMHandle->CDir;
    TInternalSearchRec& handle = f.Handle;
    const std::u16string mask = MaskText(handle);
    const bool recurse = FOptions.FRecurse;

    if (!handle.FWildCards && !recurse) {
        std::int32_t i = -1;
        dir.FileExists(mask, i);
        if (i < 0 || i < handle.ItemNo) return false;
        handle.ItemNo = i;
        FillSearchRecord(f, dir.ItemRef(i));
        return true;
    }

    const std::u16string maskDirectory = recurse ? std::u16string() : DirectoryKey(mask);
    for (std::int32_t i = std::max(handle.ItemNo, 0); i < dir.Count(); ++i) {
        const TDirItem& item = dir.ItemRef(i);
        if (!recurse && DirectoryKey(WithoutTrailing(item.Name(), u"/")) != maskDirectory) continue;
        if (ItemMatchesMask(i, f) && AttributesMatch(item.CentralDir.externalAttr, handle.FFindAttr)) {
            handle.ItemNo = i;
            FillSearchRecord(f, item);
            return true;
        }
    }
    return false;
}

bool TZFBaseArchiver::ItemMatchesMask(std::int32_t itemNo, const TZFArchiveItem& f) {
    const TDirItem& item = DMHandle->CDir.ItemRef(itemNo);
    const TInternalSearchRec& handle = f.Handle;
    if (handle.UseProperties) return MatchesMaskLists(Backslashed(item.Name()), FFileMasks, FExclusionMasks);

    const std::u16string_view name = WithoutTrailing(item.Name(), u"\\/");
    const std::u16string mask = MaskText(handle);
    const bool matches = MatchFileMask(name, mask) || MatchFileMask(BareName(name), mask);
    return matches && !MatchFileMask(name, handle.ExclusionMask);
}

}  // namespace archive
