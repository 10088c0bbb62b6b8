#include "details/plist/plist_utf.h"

namespace plist {

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) AppendUtf8(out, static_cast<unsigned char>(b));
    return out;
}

std::string Utf16BigEndianToUtf8(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) << 8 |
                                         static_cast<unsigned char>(bytes[2 * i + 1]));
    }
    return platform::WideToUtf8(units);
}

}  // namespace plist
