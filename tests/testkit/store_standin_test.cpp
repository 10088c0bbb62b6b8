// The stand-in store's records file and its generated icons: what the demo,
// the browser check and the benchmark give it, and what browsers get back.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>
#include <stdexcept>

#include "testkit/http_client/http_client.h"
#include "testkit/store_standin/png_icon.h"
#include "testkit/store_standin/standin_records.h"

namespace {

std::uint32_t Big32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

struct Chunk {
    std::string type;
    std::string data;
    bool crcGood = false;
};

// The chunks of a PNG file, each with whether its CRC holds.
std::vector<Chunk> Chunks(const std::string& png) {
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = Big32(png, at);
        if (at + 12 + length > png.size()) break;
        Chunk chunk{png.substr(at + 4, 4), png.substr(at + 8, length)};
        const std::string typed = png.substr(at + 4, 4 + length);
        chunk.crcGood = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())) ==
                        Big32(png, at + 8 + length);
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return chunks;
}

// The RGBA pixels of one of IconPng's pictures (64 x 64, no row filters).
std::string IconPixels(const std::string& png) {
    const std::vector<Chunk> chunks = Chunks(png);
    if (chunks.size() != 3 || chunks[1].type != "IDAT") return {};
    std::string rows(64 * (1 + 64 * 4), '\0');
    uLongf size = static_cast<uLongf>(rows.size());
    if (uncompress(reinterpret_cast<Bytef*>(rows.data()), &size, reinterpret_cast<const Bytef*>(chunks[1].data.data()),
                   static_cast<uLong>(chunks[1].data.size())) != Z_OK ||
        size != rows.size())
        return {};
    return rows;
}

unsigned char Channel(const std::string& rows, int x, int y, int channel) {
    return static_cast<unsigned char>(rows[static_cast<std::size_t>(y * (1 + 64 * 4) + 1 + x * 4 + channel)]);
}

TEST(StandinIcon, IsAWellFormedRoundedSquareThatDiffersBySeed) {
    const std::string icon = standin::IconPng(7);
    ASSERT_EQ(icon.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const std::vector<Chunk> chunks = Chunks(icon);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const Chunk& chunk : chunks) EXPECT_TRUE(chunk.crcGood) << chunk.type;
    EXPECT_EQ(Big32(chunks[0].data, 0), 64u);
    EXPECT_EQ(Big32(chunks[0].data, 4), 64u);
    EXPECT_EQ(chunks[0].data[9], 6) << "RGBA";
    const std::string pixels = IconPixels(icon);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(Channel(pixels, 0, 0, 3), 0) << "a corner is transparent";
    EXPECT_EQ(Channel(pixels, 63, 63, 3), 0);
    EXPECT_EQ(Channel(pixels, 32, 10, 3), 255) << "the middle is opaque";
    EXPECT_EQ(icon, standin::IconPng(7));
    EXPECT_NE(IconPixels(standin::IconPng(8)).substr(0, 2000), pixels.substr(0, 2000));
}

TEST(StandinRecords, LoadsTheAppsOfARecordsFileAndServesThem) {
    standin::StandinStore store;
    std::istringstream text(
        "# the demo's apps\n"
        "\n"
        "11\t{\"trackId\":11,\"trackName\":\"Eleven\",\"artworkUrl100\":\"{origin}/icons/11.png\"}\r\n"
        "12\t{\"trackId\":12,\"trackName\":\"Twelve\"}\n");
    EXPECT_EQ(standin::LoadRecords(store, text), 2u);
    const auto answer = httpd::Get(store.Port(), "/lookup?id=12,13,11&country=de&entity=software");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_NE(answer->body.find("\"resultCount\":2"), std::string::npos);
    EXPECT_LT(answer->body.find("Twelve"), answer->body.find("Eleven")) << "in the order asked";
    EXPECT_NE(answer->body.find("\"" + store.Origin() + "/icons/11.png\""), std::string::npos);
    const auto icon = httpd::Get(store.Port(), "/icons/11.png");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->status, 200);
    EXPECT_EQ(icon->body, standin::IconPng('1' * 31 + '1')) << "the icon seeded by its name";
}

TEST(StandinRecords, RefusesALineThatIsNotAnIdentifierAndARecord) {
    const struct {
        const char* name;
        const char* text;
    } rows[] = {
        {"no tab", "11 {\"trackId\":11}\n"},          {"identifier not digits", "1a\t{\"trackId\":11}\n"},
        {"identifier empty", "\t{\"trackId\":11}\n"}, {"record not an object", "11\t[1,2]\n"},
        {"record cut", "11\t{\"trackId\":11\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        standin::StandinStore store;
        std::istringstream text(std::string("12\t{}\n") + row.text);
        try {
            standin::LoadRecords(store, text);
            ADD_FAILURE() << "taken";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("line 2"), std::string::npos) << error.what();
        }
    }
}

}  // namespace
