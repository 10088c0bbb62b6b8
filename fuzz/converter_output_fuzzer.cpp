// Fuzzes what the program reads after the converter and the catalogue service
// ran: the lines of the converted metadata with the "itemId" lookup and the tag
// stripping, and the reply text with the test of what may reach the shell.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "details/plist_lookup.h"
#include "details/reply_address.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void LookUp(const platform::TextLines& lines) {
    try {
        const std::u16string value = details::FindPlistValue(u"itemId", lines);
        Check(value == platform::Trim(value));
    } catch (const details::EStringListError&) {
        // The key on the last line: the program drops that package.
    }
}

// Stripping only removes text; with other delimiters the same holds.
void Strip(const std::u16string& line) {
    const std::u16string stripped = details::StripTags(line, u'<', u'>');
    Check(stripped.size() <= line.size());
    if (line.find(u'<') == std::u16string::npos) Check(stripped == line);
    if (line.size() >= 2) Check(details::StripTags(line, line[0], line[1]).size() <= line.size());
}

void TestReply(const platform::TextLines& lines) {
    const std::u16string reply = platform::Trim(platform::WholeText(lines));
    if (details::IsOpenableReplyAddress(reply)) {
        Check(reply.size() <= details::kMaxShellAddressLength);
        Check(reply.find_first_of(u" \t\r\n") == std::u16string::npos);
        const std::u16string lower = platform::LowerAscii(reply);
        Check(lower.starts_with(u"http://") || lower.starts_with(u"https://"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::TextLines lines = platform::DecodeTextLines({data, size});
    LookUp(lines);
    for (const std::u16string& line : lines) Strip(line);
    TestReply(lines);
    return 0;
}
