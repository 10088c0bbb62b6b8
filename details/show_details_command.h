#pragma once
// The show-details command: for every selected package, read the app's store
// identifier out of its metadata; send all identifiers to the catalogue service
// in one request, and have the shell open the address it answers.

#include <string>
#include <string_view>

namespace details {

// What the command needs of the main window. The window's texts are read at the
// moment they are used, since a language switch may change them while the
// converter runs and window messages flow.
class ShowDetailsView {
public:
    virtual ~ShowDetailsView() = default;

    virtual int RowCount() = 0;
    virtual std::u16string RowText(int row) = 0;
    // Asked anew for every row: the selection may change while the command runs.
    virtual bool RowSelected(int row) = 0;

    virtual void SetButtonCaption(std::u16string_view caption) = 0;
    virtual void SetButtonEnabled(bool enabled) = 0;
    virtual void RepaintButton() = 0;

    virtual std::u16string PleaseWaitText() = 0;
    virtual std::u16string EllipsisSuffix() = 0;
    virtual std::u16string ShowDetailsText() = 0;

    // Asks the shell to open the address ("OPEN", shown normally), owned by the window.
    virtual void OpenAddress(std::u16string_view address) = 0;
};

// The run-wide folders the command works with.
struct ShowDetailsFolders {
    std::u16string mediaFolder;    // ends in "\" or is empty
    std::u16string converterPath;  // full path of the property-list converter
    std::u16string tempFolder;     // ends in "\"
};

// Runs the command on the user-interface thread. Errors of one package are
// absorbed; errors of the request and reply steps (a reply file that cannot be
// written or read) pass on to the caller. Blocks; window messages flow only
// while the converter runs or a password is asked for.
void UploadButtonClick(ShowDetailsView& view, const ShowDetailsFolders& folders);

// The file every package's metadata is written to: temporary folder + "iTunesMetadata.plist".
std::u16string MetadataCopy(std::u16string_view tempFolder);

}  // namespace details
