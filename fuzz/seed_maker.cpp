// Writes the generated seeds of every harness: archives, property lists,
// library files and requests made the way the test suites make their
// fixtures. Usage: fuzz_seed_maker OUTPUT_FOLDER (one sub-folder per harness).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include "testkit/store_standin/store_standin.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/bplist_writer.h"
#include "tests/support/deflate_roads.h"
#include "tests/support/zip_writer.h"
#include "testkit/plutil/plutil_command.h"

namespace {

using namespace testing_support;
using Seeds = std::vector<std::pair<std::string, std::string>>;

const std::string kMetadataXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
    "\t<key>itemId</key>\n\t<integer>284882215</integer>\n"
    "\t<key>itemName</key>\n\t<string>Fish &amp; Chips</string>\n</dict>\n</plist>\n";

PlistNode Metadata() {
    return PlistDict({
        {"itemId", PlistInt(284882215)},
        {"itemName", PlistString("Fish & <Chips> \xC3\xA4")},
        {"price", PlistReal(0.99)},
        {"purchaseDate", PlistDate(337177805.0)},
        {"isGift", PlistBool(false)},
        {"genres", PlistArray({PlistString("Games"), PlistString("Puzzle")})},
        {"artwork", PlistData(std::string("\x00\x01\xFF", 3))},
        {"empty", PlistDict({})},
    });
}

Seeds ArchiveSeeds() {
    const std::string bplist = WriteBinaryPlist(Metadata());
    Seeds seeds;
    seeds.emplace_back("package.ipa", ZipWriter()
                                          .AddDeflated("Payload/App.app/Info.plist", kMetadataXml)
                                          .AddDeflated("iTunesMetadata.plist", bplist)
                                          .AddStored("Payload/", "")
                                          .Build()
                                          .bytes);
    seeds.emplace_back("empty-name.zip", ZipWriter().AddStored("", "").Build().bytes);
    seeds.emplace_back("encrypted.zip",
                       ZipWriter()
                           .Add(extraction_tests::EncryptedMember("iTunesMetadata.plist", kMetadataXml, "s3cret", 8))
                           .Add(extraction_tests::EncryptedMember("a.txt", "abc", "s3cret", 0, true))
                           .Build()
                           .bytes);
    seeds.emplace_back("zip64.zip",
                       ZipWriter()
                           .Add(ZipMember{.name = "big.bin", .data = "zip64 member", .method = 8, .zip64 = true})
                           .Zip64Records()
                           .Build()
                           .bytes);
    seeds.emplace_back("stub-descriptor.zip",
                       ZipWriter()
                           .Add(ZipMember{.name = "dd.txt", .data = "described", .method = 8, .dataDescriptor = true})
                           .Stub("MZ stub in front", true)
                           .Comment("archive comment")
                           .Build()
                           .bytes);
    seeds.emplace_back("utf8-names.zip",
                       ZipWriter()
                           .Add(ZipMember{.name = "d\xC3\xA9j\xC3\xA0/\xE2\x82\xAC.txt", .data = "x", .flags = 0x0800})
                           .Add(ZipMember{.name = "oem\x82.txt", .data = "y"})
                           .Build()
                           .bytes);
    return seeds;
}

Seeds LibraryTextSeeds() {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plist version=\"1.0\">\r\n<dict>\r\n"
        "\t<key>Music Folder</key><string>file://localhost/D:/Users/user/Music/iTunes/iTunes%20Media/</string>\r\n"
        "</dict>\r\n</plist>\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : xml) utf16 += std::string{c, '\0'};
    return {{"library.xml", xml},
            {"library-utf8.xml", "\xEF\xBB\xBF" + xml},
            {"library-utf16.xml", utf16},
            {"escapes.xml", "<string>file://localhost/C:/A+B/%41%4a%%/%2F%E4</string>"},
            {"bad-escape.xml", "<string>file://localhost/C:/x%G1</string>\n"},
            {"cut-escape.xml", "file://localhost/C:/x%4"}};
}

Seeds ConverterOutputSeeds() {
    return {{"metadata.xml", plist::ConvertToXml(WriteBinaryPlist(Metadata()))},
            {"key-last-line.xml", "<dict>\n<key>itemId</key>"},
            {"tags.txt", "<key>ITEMID</key>\n a<b<c>d <<a>> </x \n"},
            {"reply.txt", "http://localhost/apps?ids=1,2\r\n\r\n"},
            {"reply-https.txt", "  https://user@host:8080/path?q#f  "},
            {"reply-unc.txt", "\\\\server\\share\\x.exe"}};
}

Seeds BinaryPlistSeeds() {
    return {{"metadata.bplist", WriteBinaryPlist(Metadata())},
            {"nested.bplist", WriteBinaryPlist(PlistArray({PlistArray({PlistDict({{"k", PlistInt(-1)}})})}))},
            {"wide-refs.bplist", AssembleBinaryPlist({"\x51"
                                                      "a",
                                                      "\xA1" + BigEndian(0, 2)},
                                                     2, 1, 4)}};
}

Seeds XmlPlistSeeds() {
    return {{"metadata.xml", plist::ConvertToXml(WriteBinaryPlist(Metadata()))},
            {"entities.xml",
             "<plist><dict><key>a&lt;&#x41;&#66;</key><string><![CDATA[<x>]]></string><!-- c -->"
             "<key>d</key><date>2011-09-08T12:30:05Z</date><key>e</key><data>AAEC</data>"
             "<key>r</key><real>-1.5e3</real><key>t</key><true/><key>u</key><array/></dict></plist>"}};
}

Seeds HttpRequestSeeds() {
    return {{"origin.http", "GET /input/submit.php?dataset=1,2 HTTP/1.1\r\nHost: localhost\r\n\r\n"},
            {"absolute.http", "GET http://localhost:8080/input/submit.php?dataset= HTTP/1.0\r\nUser-Agent: x\r\n\r\n"},
            {"body.http", "POST /p HTTP/1.1\nHost: h\nContent-Length: 3\n\nabc"}};
}

Seeds StoreResponseSeeds() {
    return {
        {"typical.json", "{\"resultCount\":2,\"results\":[" +
                             standin::TypicalRecord("284882215", "Notes", "https://is1-ssl.mzstatic.com/a.png") + "," +
                             standin::TypicalRecord("310633997", "<b>\u202E</b>", "") + "]}"},
        {"types.json", "{\"results\":[{\"trackId\":\"1\",\"averageUserRating\":9,\"fileSizeBytes\":12,\"x\":[[{}]]}]}"},
        {"empty.json", "{\"resultCount\":0,\"results\":[]}"}};
}

Seeds NamesSeeds() {
    // Bytes the harness reads as its script; any bytes serve, these start each branch.
    return {{"index", std::string("\x00\x10\x00\x05"
                                  "A\0a\0B\0\x01\x02"
                                  "a\0",
                                  14)},
            {"masks", std::string("\x01\x0C"
                                  "i\0t\0.\0p\0\x06"
                                  "*\0.\0*\0\x00\x01",
                                  19)},
            {"archive", std::string("\x02\x03\x0A"
                                    "iTunesMetadata.plist"
                                    "\x05"
                                    "a/b/c\x01"
                                    "*",
                                    32)}};
}

// Three bytes of settings (room, pieces, flags: see deflate_fuzzer.cpp), then
// deflate data zlib made of text with each strategy, one with a zlib trailer.
Seeds DeflateSeeds() {
    std::mt19937 random(28);
    const Bytes plain = PlainData(random, 3000, 0);
    const Bytes mixed = PlainData(random, 5000, 3);
    const auto seed = [](std::string settings, const Bytes& data) { return settings.append(data.begin(), data.end()); };
    Bytes withTrailer = RawDeflate(plain, 6, 15, Z_DEFAULT_STRATEGY);
    const Bytes trailer = AdlerTrailer(plain);
    withTrailer.insert(withTrailer.end(), trailer.begin(), trailer.end());
    return {{"dynamic", seed(std::string("\x0C\x00\x08", 3), RawDeflate(plain, 6, 15, Z_DEFAULT_STRATEGY))},
            {"fixed", seed(std::string("\x01\x85\x19", 3), RawDeflate(mixed, 9, 15, Z_FIXED))},
            {"huffman-only", seed(std::string("\x07\x00\x03", 3), RawDeflate(mixed, 1, 12, Z_HUFFMAN_ONLY))},
            {"rle", seed(std::string("\x90\xC0\x0A", 3), RawDeflate(mixed, 6, 9, Z_RLE))},
            {"stored", seed(std::string("\x05\x00\x18", 3), RawDeflate(plain, 0, 15, Z_DEFAULT_STRATEGY))},
            {"trailer", seed(std::string("\x0B\x00\x0B", 3), withTrailer)}};
}

void WriteSeeds(const std::filesystem::path& folder, const Seeds& seeds) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_maker OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    WriteSeeds(out / "archive", ArchiveSeeds());
    WriteSeeds(out / "deflate", DeflateSeeds());
    WriteSeeds(out / "names", NamesSeeds());
    WriteSeeds(out / "library_text", LibraryTextSeeds());
    WriteSeeds(out / "converter_output", ConverterOutputSeeds());
    WriteSeeds(out / "binary_plist", BinaryPlistSeeds());
    WriteSeeds(out / "xml_plist", XmlPlistSeeds());
    WriteSeeds(out / "http_request", HttpRequestSeeds());
    WriteSeeds(out / "store_response", StoreResponseSeeds());
    return 0;
}
