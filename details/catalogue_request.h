#pragma once
// The request to the catalogue service: its address, built from the store
// identifiers, and the file its reply is saved to.

#include <string>
#include <string_view>

namespace details {

// Host name of the catalogue service, fixed at build time (CMake cache variable
// VANTREL_SERVICE_HOST). It also names the reply file and stands in the
// show-details button's caption.
extern const std::u16string_view ServiceHost;

// "http://" + ServiceHost + "/input/submit.php?dataset=" + the comma-separated
// identifiers, by plain concatenation: nothing is percent-encoded.
std::u16string RequestUrl(std::u16string_view identifierList);

// The reply file: the temporary folder (ending in "\") + ServiceHost, no extension.
std::u16string ReplyFile(std::u16string_view tempFolder);

// Sends the request for the identifiers and saves the reply body to `replyFile`
// (DownloadToFile: false and no file when the service cannot be reached; throws
// when the file cannot be written). Blocks.
bool SubmitIdentifiers(std::u16string_view identifierList, std::u16string_view replyFile);

}  // namespace details
