#include "details/plist/base64.h"

#include <cstdint>

namespace plist {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DigitValue(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (left > 2) group |= static_cast<std::uint8_t>(bytes[i + 2]);
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(left > 1 ? kAlphabet[(group >> 6) & 63] : '=');
        out.push_back(left > 2 ? kAlphabet[group & 63] : '=');
    }
    return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string out;
    std::uint32_t bits = 0;
    int bitCount = 0;
    int padding = 0;
    for (char c : text) {
        if (IsSpace(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int digit = DigitValue(c);
        if (digit < 0 || padding > 0) return std::nullopt;  // bad character, or data after padding
        bits = (bits << 6) | static_cast<std::uint32_t>(digit);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
        }
    }
    // Leftover bits: 0 (complete groups), 2 (one "=") or 4 (two "="); 6 means a lone digit.
    if (bitCount == 6 || padding > 2) return std::nullopt;
    return out;
}

}  // namespace plist
