// Where a text in a multi-byte code page may be cut into pieces that decode
// on their own.
#include "platform/codepage.h"

namespace platform {

std::size_t AfterLastAsciiPair(std::string_view bytes) {
    for (std::size_t end = bytes.size(); end >= 2; --end) {
        const auto first = static_cast<unsigned char>(bytes[end - 2]);
        const auto second = static_cast<unsigned char>(bytes[end - 1]);
        if (first < 0x80 && second < 0x80) return end;
    }
    return 0;
}

}  // namespace platform
