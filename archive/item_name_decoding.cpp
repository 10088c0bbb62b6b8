#include "archive/item_name_decoding.h"

#include <algorithm>
#include <string_view>

#include "platform/codepage.h"
#include "platform/strings.h"

namespace archive {

std::string OemNameToAnsi(std::span<const std::uint8_t> bytes) {
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    const auto head = static_cast<std::size_t>(zero - bytes.begin());
    std::string text = platform::ConvertOemToAnsi(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), head));
    text.append(reinterpret_cast<const char*>(bytes.data()) + head, bytes.size() - head);
    return text;
}

namespace {

bool IsContinuation(std::uint8_t b) { return b >= 0x80 && b <= 0xBF; }

// Length of the well-formed sequence that starts at `at`, or 0.
std::size_t SequenceLength(std::span<const std::uint8_t> s, std::size_t at) {
    const std::uint8_t lead = s[at];
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - at < length) return 0;
    if (s[at + 1] < low || s[at + 1] > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(s[at + k])) return 0;
    }
    return length;
}

}  // namespace

// E1-EF take any two continuation bytes, so ED A0-BF (surrogates) pass, as
// the name rule has it.
bool IsWellFormedUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = SequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// ASCII bytes are the same in the OEM and ANSI code pages and are taken as
// they are, so the common all-ASCII name skips the conversions.
std::u16string DecodeItemName(std::span<const std::uint8_t> bytes, bool oemToAnsi) {
    if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; })) {
        return std::u16string(bytes.begin(), bytes.end());
    }
    const std::string text = oemToAnsi ? OemNameToAnsi(bytes)
                                       : std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return std::u16string(text.begin(), text.end());
    const std::span<const std::uint8_t> converted(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (IsWellFormedUtf8(converted)) return platform::Utf8ToWide(text);
    return platform::AnsiToWide(text);
}

}  // namespace archive

