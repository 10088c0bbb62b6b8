#include "tests/support/text_encodings.h"

#include "platform/codepage.h"
#include "platform/strings.h"

namespace testing_support {
namespace {

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace

const char* EncodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Ansi:
        return "ANSI";
    case Encoding::Utf8:
        return "UTF-8 without mark";
    case Encoding::Utf8Bom:
        return "UTF-8 with mark";
    case Encoding::Utf16LeBom:
        return "UTF-16 LE with mark";
    case Encoding::Utf16BeBom:
        return "UTF-16 BE with mark";
    case Encoding::Utf16LeNoBom:
        return "UTF-16 LE without mark";
    }
    return "?";
}

std::string Encode(std::u16string_view text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Ansi:
        return platform::WideToAnsi(text);
    case Encoding::Utf8:
        return platform::WideToUtf8(text);
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + platform::WideToUtf8(text);
    case Encoding::Utf16LeBom:
        return "\xFF\xFE" + Utf16Bytes(text, false);
    case Encoding::Utf16BeBom:
        return "\xFE\xFF" + Utf16Bytes(text, true);
    case Encoding::Utf16LeNoBom:
        return Utf16Bytes(text, false);
    }
    return {};
}

}  // namespace testing_support
