#include "archive/item_name_decoding.h"

#include <algorithm>
#include <string_view>

#include "archive/byte_reader.h"
#include "archive/crc32.h"
#include "platform/codepage.h"
#include "platform/strings.h"

namespace archive {

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

bool IsAscii(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
}

std::string_view Chars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

constexpr std::uint8_t kUnicodePathVersion = 1;
constexpr std::size_t kUnicodePathHeader = 5;  // version, CRC-32

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

// ASCII bytes are the same in every code page the name may be in. UTF-8 is
// looked for in the stored bytes: a code-page conversion first would turn the
// sequences of a UTF-8 name (written without the flag, as many writers do)
// into other bytes.
std::u16string DecodeItemName(std::span<const std::uint8_t> bytes, bool oemNames) {
    if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
    if (IsWellFormedUtf8(bytes)) return platform::Utf8ToWide(Chars(bytes));
    return oemNames ? platform::OemToWide(Chars(bytes)) : platform::AnsiToWide(Chars(bytes));
}

// The CRC-32 ties the block to the name it was written for: a tool that
// renames the member without knowing the block leaves a stale one behind.
std::optional<std::u16string> UnicodePathName(std::span<const std::uint8_t> block,
                                              std::span<const std::uint8_t> storedName) {
    if (block.size() <= kUnicodePathHeader || block[0] != kUnicodePathVersion) return std::nullopt;
    if (LoadU32(block, 1) != Crc32(storedName)) return std::nullopt;
    const auto utf8 = block.subspan(kUnicodePathHeader);
    if (!IsWellFormedUtf8(utf8)) return std::nullopt;
    return platform::Utf8ToWide(Chars(utf8));
}

}  // namespace archive
