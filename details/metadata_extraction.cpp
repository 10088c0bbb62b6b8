#include "details/metadata_extraction.h"

#include "platform/exception.h"
#include "platform/limited_stream.h"

namespace details {
namespace {

// ExtractToStream finds its member with Recurse off; the size check must look
// at that same member, not at one of the same name in a sub-folder.
class RecurseOff {
public:
    explicit RecurseOff(archive::TZFBaseArchiver& archiver)
        : recurse_(archiver.FOptions.FRecurse), saved_(recurse_) {
        recurse_ = false;
    }
    ~RecurseOff() { recurse_ = saved_; }
    RecurseOff(const RecurseOff&) = delete;
    RecurseOff& operator=(const RecurseOff&) = delete;

private:
    bool& recurse_;
    bool saved_;
};

// A member that is not there is left to ExtractToStream, which reports it as usual.
void RejectDeclaredOversize(archive::TZFBaseArchiver& archiver, std::u16string_view name, std::int64_t limit) {
    archive::TZFArchiveItem item;
    bool found = false;
    {
        const RecurseOff recurseOff(archiver);
        found = archiver.FindFirst(name, item, archiver.FOptions.FSearchAttr, u"");
    }
    if (found && (item.UncompressedSize > limit || item.CompressedSize > limit)) {
        throw platform::ESizeLimitError(limit);
    }
}

}  // namespace

void ExtractBoundedMember(archive::TZFBaseArchiver& archiver, std::u16string_view name, platform::Stream& member,
                          std::int64_t limit) {
    RejectDeclaredOversize(archiver, name, limit);
    platform::LimitedStream limited(member, limit);
    archiver.ExtractToStream(name, limited);
}

}  // namespace details
