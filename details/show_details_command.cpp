#include "details/show_details_command.h"

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "archive/archiver.h"
#include "details/catalogue_request.h"
#include "details/metadata_conversion.h"
#include "details/metadata_extraction.h"
#include "details/plist_lookup.h"
#include "details/reply_address.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/stream.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace details {
namespace {

constexpr std::u16string_view kMetadataMember = u"iTunesMetadata.plist";
constexpr std::u16string_view kIdentifierKey = u"itemId";
constexpr auto kPauseAfterDisabling = std::chrono::milliseconds(250);
constexpr int kHidden = 0;  // SW_HIDE

std::u16string IdleCaption(ShowDetailsView& view) {
    return view.ShowDetailsText() + u" (" + std::u16string(ServiceHost) + u")";
}

// Writes the metadata copy as XML: through the converter when it is
// installed (its result is not looked at: a failed conversion leaves binary
// metadata, which holds no key line and so yields no identifier), else in
// process, over the copy as the converter rewrites it in place. XML metadata
// stays as extracted.
void ConvertMetadata(const ShowDetailsFolders& folders, const std::u16string& metadataCopy,
                     const platform::MemoryStream& member) {
    if (!platform::FileExists(metadataCopy)) return;
    if (platform::FileExists(folders.converterPath)) {
        platform::RunAndWait(platform::QuoteString(folders.converterPath),
                             u" -convert xml1 -s " + platform::QuoteString(metadataCopy), u"OPEN", kHidden, u"");
        return;
    }
    const auto bytes = member.Data();
    const std::optional<std::string> xml =
        BinaryMetadataAsXml({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    if (xml) platform::FileStream(metadataCopy, platform::kFmCreate).WriteBuffer(xml->data(), xml->size());
}

// One package's identifier; throws whatever opening, extracting, writing,
// converting or reading raises. Metadata past kMetadataSizeLimit, as extracted
// or as converted, fails the package before more than the limit is read: one
// hostile package costs no more memory or time than that.
std::u16string PackageIdentifier(archive::TZFArchiver& archiver, platform::MemoryStream& member,
                                 const ShowDetailsFolders& folders, const std::u16string& rowText) {
    archiver.SetFileName(folders.mediaFolder + rowText + u".ipa");
    archiver.OpenArchive(0);
    member.Clear();
    ExtractBoundedMember(archiver, kMetadataMember, member, kMetadataSizeLimit);
    archiver.CloseArchive();

    const std::u16string metadataCopy = MetadataCopy(folders.tempFolder);
    member.SaveToFile(metadataCopy);
    ConvertMetadata(folders, metadataCopy, member);
    return FindPlistValueInText(kIdentifierKey, platform::LoadText(metadataCopy, kMetadataSizeLimit));
}

// Identifiers of the selected rows, each followed by ",", in row order. The
// archiver and the member stream live until the last row is done; the archiver
// keeps the password typed last for the next encrypted package.
std::u16string CollectIdentifiers(ShowDetailsView& view, const ShowDetailsFolders& folders) {
    archive::TZFArchiver archiver;
    platform::MemoryStream member;
    std::u16string identifiers;
    const int rowCount = view.RowCount();
    for (int row = 0; row < rowCount; ++row) {
        if (!view.RowSelected(row)) continue;
        try {
            const std::u16string identifier = PackageIdentifier(archiver, member, folders, view.RowText(row));
            if (!identifier.empty()) identifiers += identifier + u",";
        } catch (...) {
            // One package's failure is silent; the next package follows.
        }
    }
    return identifiers;
}

// Hands the reply to the shell only when it is one web address. A failed
// request opens nothing, so a reply left by an earlier run is never reopened.
void OpenReply(ShowDetailsView& view, const std::u16string& replyFile) {
    platform::TextLines reply;
    if (platform::FileExists(replyFile)) reply = platform::LoadTextLines(replyFile);
    const std::u16string address = platform::Trim(platform::WholeText(reply));
    if (IsOpenableReplyAddress(address)) view.OpenAddress(address);
}

}  // namespace

std::u16string MetadataCopy(std::u16string_view tempFolder) {
    return std::u16string(tempFolder) + std::u16string(kMetadataMember);
}

void UploadButtonClick(ShowDetailsView& view, const ShowDetailsFolders& folders) {
    view.SetButtonEnabled(false);
    view.SetButtonCaption(view.PleaseWaitText() + view.EllipsisSuffix());
    view.RepaintButton();
    std::this_thread::sleep_for(kPauseAfterDisabling);

    std::u16string identifiers = CollectIdentifiers(view, folders);

    view.SetButtonCaption(IdleCaption(view));
    view.SetButtonEnabled(true);

    if (!identifiers.empty()) identifiers.pop_back();  // the trailing comma
    const std::u16string replyFile = ReplyFile(folders.tempFolder);
    if (!SubmitIdentifiers(identifiers, replyFile)) return;
    OpenReply(view, replyFile);
}

}  // namespace details
