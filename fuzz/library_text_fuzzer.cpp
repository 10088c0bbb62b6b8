// Fuzzes the reading of the iTunes library file: the text-file rule over the
// input bytes, both readings of the media folder cut out of the whole text (no
// folder is looked up on disk: the choice is made for either answer), and the
// URL decoding of the input itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/library_discovery.h"
#include "app/url_decode.h"
#include "fuzz/fuzz_support.h"
#include "platform/text_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckLines(const platform::TextLines& lines) {
    for (const std::u16string& line : lines) {
        Check(line.find_first_of(u"\r\n") == std::u16string::npos);
        Check(line.find(u'\0') == std::u16string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::TextLines lines = platform::DecodeTextLines({data, size});
    CheckLines(lines);
    const std::u16string text = platform::WholeText(lines);
    try {
        const app::MediaUrlReadings readings = app::ReadMediaUrl(text, size % 2 == 0);
        Check(readings.ansi.size() <= app::kMediaUrlWindow && readings.utf8.size() <= app::kMediaUrlWindow);
        const std::u16string folder = app::ChooseMediaFolder(readings, [](std::u16string_view) { return false; });
        Check(folder == (readings.utf8.empty() ? readings.ansi : readings.utf8));
        Check(app::ChooseMediaFolder(readings, [](std::u16string_view) { return true; }) == folder);
        (void)app::PackageFolder(folder);
    } catch (const app::EUrlDecodeError&) {
        // A malformed escape in the address: the program shows the message.
    }
    try {
        const std::string decoded = app::UrlDecode(fuzz::AsChars({data, size}));
        Check(decoded.size() <= size);
    } catch (const app::EUrlDecodeError&) {}
    return 0;
}
