#include "details/metadata_extraction.h"

#include "platform/exception.h"
#include "platform/limited_stream.h"

namespace details {
namespace {

// The size check looks at the very member ExtractToStream will take; one that
// is not there is left to ExtractToStream, which reports it as usual.
void RejectDeclaredOversize(archive::TZFBaseArchiver& archiver, std::u16string_view name, std::int64_t limit) {
    const std::int32_t itemNo = archiver.ExtractionItemIndex(name);
    if (itemNo < 0) return;
    const archive::TDirItem& item = archiver.DMHandle->CDir.ItemRef(itemNo);
    if (item.UncompressedSize() > limit || item.CompressedSize() > limit) throw platform::ESizeLimitError(limit);
}

}  // namespace

void ExtractBoundedMember(archive::TZFBaseArchiver& archiver, std::u16string_view name, platform::Stream& member,
                          std::int64_t limit) {
    RejectDeclaredOversize(archiver, name, limit);
    platform::LimitedStream limited(member, limit);
    archiver.ExtractToStream(name, limited);
}

}  // namespace details
