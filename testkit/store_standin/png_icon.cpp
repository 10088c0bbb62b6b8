#include "testkit/store_standin/png_icon.h"

#include <zlib.h>

#include <array>

namespace standin {

namespace {

constexpr std::uint32_t kSide = 64;
constexpr std::uint32_t kCornerRadius = 14;

void AppendChunk(std::string& png, const char* type, const std::string& data) {
    const auto put32 = [&png](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>((value >> shift) & 0xFF));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type) + data;
    png += typed;
    put32(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// `rows`: each row a filter byte (0) and its pixels; colourType 2 (RGB) or 6 (RGBA).
std::string Png(const std::string& rows, char colourType) {
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
             static_cast<uLong>(rows.size()));
    packed.resize(packedSize);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const std::string header{0, 0, 0, static_cast<char>(kSide), 0, 0, 0, static_cast<char>(kSide), 8, colourType,
                             0, 0, 0};
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    return png;
}

// Whether (x, y) lies outside the rounded square's corner arcs.
bool OutsideCorner(std::uint32_t x, std::uint32_t y) {
    const auto distance = [](std::uint32_t v) -> int {
        if (v < kCornerRadius) return static_cast<int>(kCornerRadius - v);
        if (v >= kSide - kCornerRadius) return static_cast<int>(v - (kSide - kCornerRadius - 1));
        return 0;
    };
    const int dx = distance(x);
    const int dy = distance(y);
    const int r = static_cast<int>(kCornerRadius);
    return dx > 0 && dy > 0 && dx * dx + dy * dy > r * r;
}

}  // namespace

std::string SolidPng(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    std::string rows;
    for (std::uint32_t y = 0; y < kSide; ++y) {
        rows.push_back('\0');  // filter: none
        for (std::uint32_t x = 0; x < kSide; ++x)
            rows += {static_cast<char>(red), static_cast<char>(green), static_cast<char>(blue)};
    }
    return Png(rows, 2);
}

std::string IconPng(std::uint32_t seed) {
    seed = seed * 2654435761u;  // spread nearby seeds over the colour wheel
    const std::array<std::uint32_t, 3> base{64 + (seed >> 8) % 160, 64 + (seed >> 16) % 160, 64 + (seed >> 24) % 160};
    std::string rows;
    for (std::uint32_t y = 0; y < kSide; ++y) {
        rows.push_back('\0');
        for (std::uint32_t x = 0; x < kSide; ++x) {
            const bool bar = y >= 26 && y < 38 && x >= 12 && x < 52;
            for (std::uint32_t c : base) {
                const std::uint32_t shaded = c * (2 * kSide - (x + y) / 2) / (2 * kSide);
                rows.push_back(static_cast<char>(bar ? 240 : shaded));
            }
            rows.push_back(static_cast<char>(OutsideCorner(x, y) ? 0 : 255));
        }
    }
    return Png(rows, 6);
}

}  // namespace standin
