// The media folder found by reading the library file piece by piece, against
// the whole-file way (the whole text read at once, then searched), which stays
// the reference: the same folder, or the same error, for every file.
#include "app/media_url_scan.h"

#include <gtest/gtest.h>

#include <random>

#include "app/library_discovery.h"
#include "app/url_decode.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "platform/text_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_encodings.h"

using namespace app;
using testing_support::Encoding;
using testing_support::TempDir;

namespace {

// A folder, or the kind and message of the error, as one comparable text.
template <typename Find>
std::u16string Answer(const Find& find) {
    try {
        return u"folder: " + find();
    } catch (const EUrlDecodeError& e) {
        return u"decoding error: " + e.Message();
    } catch (const platform::EFOpenError& e) {
        return u"open error: " + e.Message();
    }
}

std::u16string WholeFileAnswer(const std::u16string& path) {
    return Answer([&] { return MediaFolderFromLibraryText(platform::WholeText(platform::LoadTextLines(path))); });
}

std::u16string StreamedAnswer(const std::u16string& path, std::size_t pieceSize) {
    return Answer([&] { return MediaFolderFromLibraryText(ReadMediaUrlText(path, pieceSize)); });
}

constexpr std::size_t kPieceSizes[] = {1, 2, 3, 5, 7, 16, 64, 4096, kLibraryPieceSize};

void ExpectStreamedAsWholeFile(const std::u16string& path) {
    const std::u16string reference = WholeFileAnswer(path);
    for (const std::size_t pieceSize : kPieceSizes) {
        ASSERT_EQ(StreamedAnswer(path, pieceSize), reference) << "pieces of " << pieceSize << " bytes";
    }
}

std::u16string Repeat(std::u16string_view text, std::size_t count) {
    std::u16string repeated;
    for (std::size_t i = 0; i < count; ++i) repeated += text;
    return repeated;
}

const std::u16string kHead = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
const std::u16string kTrack = u"\t\t<dict><key>Name</key><string>Gr\u00fc\u00dfe \u20ac</string></dict>\r\n";

}  // namespace

// Each case in every encoding; the expected folder (or error) holds for the
// lossless UTF-16 file, and every piece size gives the whole-file answer.
TEST(ReadMediaUrlText, HandMadeLibrariesInEveryEncodingAndPieceSize) {
    const std::u16string a249(249, u'a');
    const std::u16string a251(251, u'a');
    const struct {
        const char* name;
        std::u16string text;
        std::u16string answer;
    } cases[] = {
        {"address near the top, tracks after it",
         kHead + u"\t<key>Music Folder</key><string>file://localhost/D:/My%20Music/</string>\n" + Repeat(kTrack, 40),
         u"folder: D:\\My Music\\"},
        {"address at the very end, no line break", Repeat(kTrack, 20) + u"<string>file://localhost/D:/M/</string>",
         u"folder: D:\\M\\"},
        {"address at the very end without end marker", Repeat(kTrack, 20) + u"<string>file://localhost/D:/M/",
         u"folder: "},
        {"prefix cut by the end of the file", Repeat(kTrack, 20) + u"file://localh", u"folder: "},
        {"end marker cut by the end of the file", u"file://localhost/D:/M/</stri", u"folder: "},
        {"no address", kHead + Repeat(kTrack, 30), u"folder: "},
        {"empty file", u"", u"folder: "},
        {"window crosses a CR LF", u"file://localhost/D:/a\r\n</string>", u"folder: D:\\a\r\n"},
        {"a lone CR counts two characters: fits", u"file://localhost/" + a249 + u"\r</string>",
         u"folder: " + a249 + u"\r\n"},
        {"a lone CR counts two characters: too long", u"file://localhost/a" + a249 + u"\r</string>", u"folder: "},
        {"a lone LF counts two characters: fits", u"file://localhost/" + a249 + u"\n</string>",
         u"folder: " + a249 + u"\r\n"},
        {"a lone LF counts two characters: too long", u"file://localhost/a" + a249 + u"\n</string>", u"folder: "},
        {"mixed line ends", u"file://localhost/D:/a\r\rb\n\r\nc</string>", u"folder: D:\\a\r\n\r\nb\r\n\r\nc"},
        {"251 characters fit", u"file://localhost/" + a251 + u"</string>\n", u"folder: " + a251},
        {"252 characters do not", u"file://localhost/a" + a251 + u"</string>\n", u"folder: "},
        {"second marker beyond the window",
         u"file://localhost/" + a251 + u"x</string>" + Repeat(u"b", 300) + u"</string>", u"folder: "},
        {"NUL before the address", u"x" + std::u16string(1, u'\0') + u"file://localhost/D:/a</string>", u"folder: "},
        {"NUL inside the window", u"file://localhost/D:/a" + std::u16string(1, u'\0') + u"</string>", u"folder: "},
        {"NUL right after the end marker", u"file://localhost/D:/a</string>" + std::u16string(1, u'\0') + u"x",
         u"folder: D:\\a"},
        {"the first address wins without its marker",
         u"file://localhost/" + Repeat(u"x", 300) + u"\nfile://localhost/D:/b</string>", u"folder: "},
        {"the first address wins", u"<a>file://localhost/C:/1/</string>\nfile://localhost/D:/2/</string>",
         u"folder: C:\\1\\"},
        {"prefix after a false start", u"file://file://localhost/D:/x</string>", u"folder: D:\\x"},
        {"case of prefix and marker counts", u"FILE://localhost/C:/</string>file://localhost/D:/y</STRING></string>",
         u"folder: D:\\y<\\STRING>"},
        {"non-ASCII folder", u"file://localhost/D:/M\u00fcsik</string>", u"folder: D:\\M\u00fcsik"},
        {"surrogate pair cut by the window", u"file://localhost/" + std::u16string(259, u'a') + u"\U0001F600</string>",
         u"folder: "},
        {"escape cut by the end marker", u"file://localhost/ab%4</string>",
         u"decoding error: Fehler beim Decodieren eines im URL-Stil (%XX) codierten Strings bei Position 3"},
        {"invalid escape", u"file://localhost/D:/%G1/</string>",
         u"decoding error: Ung\u00fcltiger URL-codiertes Zeichen (%G1) bei Position 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const Encoding encoding : testing_support::kEveryEncoding) {
            SCOPED_TRACE(testing_support::EncodingName(encoding));
            const std::u16string path = dir.Write(u"library.xml", testing_support::Encode(c.text, encoding));
            if (encoding == Encoding::Utf16LeBom) {
                ASSERT_EQ(WholeFileAnswer(path), c.answer) << "whole-file way";
            }
            ExpectStreamedAsWholeFile(path);
        }
    }
}

TEST(ReadMediaUrlText, FileErrorsAreThoseOfTheWholeFileWay) {
    TempDir dir;
    const std::u16string missing = dir.File(u"missing.xml");
    ASSERT_EQ(WholeFileAnswer(missing).rfind(u"open error: Datei " + missing, 0), 0u);
    ExpectStreamedAsWholeFile(missing);
}

namespace {

// Random libraries: lines of tracks in many scripts, line ends of every kind,
// decoys, now and then a NUL, and zero, one or two addresses of random length
// and content, some with escapes that fail to decode.
class RandomLibrary {
public:
    explicit RandomLibrary(unsigned seed) : random_(seed) {}

    std::u16string Text() {
        std::u16string text;
        const int lines = Pick(60);
        const int address = Pick(4) == 0 ? -1 : Pick(lines + 1);
        for (int line = 0; line <= lines; ++line) {
            if (line == address || (address >= 0 && Pick(8) == 0)) text += Address();
            text += Line();
            text += LineEnd();
        }
        if (Pick(6) == 0) text.resize(Pick(static_cast<int>(text.size()) + 1));  // cut anywhere
        return text;
    }

    // Sometimes a byte changed: invalid and cut sequences wherever they fall.
    std::string Damage(std::string bytes) {
        if (!bytes.empty() && Pick(5) == 0) bytes[Pick(static_cast<int>(bytes.size()))] = static_cast<char>(Pick(256));
        return bytes;
    }

    int Pick(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

private:
    std::u16string Address() {
        std::u16string url = Pick(10) == 0 ? u"file://localhos/" : u"file://localhost/";
        const int length = Pick(10) < 3 ? 240 + Pick(20) : Pick(80);
        static const std::u16string_view kPieces[] = {u"D:/",    u"Music",  u"%20",        u"+",      u"/",
                                                      u"\u00fc", u"\u65e5", u"\U0001F600", u"%C3%A9", u"%%",
                                                      u"a",      u"\r\n",   u"\n",         u"\r"};
        while (static_cast<int>(url.size()) < length) url += kPieces[Pick(std::size(kPieces))];
        if (Pick(15) == 0) url += u"%G1";
        if (Pick(15) == 0) url += u"%4";
        url += Pick(8) == 0 ? u"</strin" : u"</string>";
        return url;
    }

    std::u16string Line() {
        static const std::u16string_view kLines[] = {
            u"\t<key>Track ID</key><integer>1234</integer>",
            u"\t<key>Name</key><string>Gr\u00fc\u00dfe aus K\u00f6ln \u20ac</string>",
            u"\t<key>Artist</key><string>\u65e5\u672c\u8a9e \U0001F3B5</string>",
            u"\t<key>Location</key><string>file://localhost</string>",
            u"</string></string>",
            u"",
            u"\0",
        };
        const int which = Pick(std::size(kLines));
        // A NUL ends the text: rarely, or most libraries would end at once.
        if (kLines[which] == u"\0" && Pick(10) != 0) return u"x";
        return std::u16string(kLines[which]);
    }

    std::u16string LineEnd() {
        static const std::u16string_view kEnds[] = {u"\r\n", u"\n", u"\r", u"\n\r", u""};
        return std::u16string(kEnds[Pick(std::size(kEnds))]);
    }

    std::mt19937 random_;
};

}  // namespace

TEST(ReadMediaUrlText, RandomLibrariesGiveTheWholeFileAnswer) {
    TempDir dir;
    int found = 0;
    for (unsigned seed = 1; seed <= 120; ++seed) {
        RandomLibrary library(seed);
        const std::u16string text = library.Text();
        for (const Encoding encoding : testing_support::kEveryEncoding) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << ", " << testing_support::EncodingName(encoding));
            const std::u16string path =
                dir.Write(u"library.xml", library.Damage(testing_support::Encode(text, encoding)));
            ExpectStreamedAsWholeFile(path);
            if (WholeFileAnswer(path) != u"folder: ") ++found;
        }
    }
    // The comparison means something only if many libraries have an answer.
    EXPECT_GT(found, 200);
}

TEST(MediaUrlScanner, StopsOnceTheAnswerIsKnown) {
    const struct {
        const char* name;
        std::vector<std::u16string> pieces;
        std::size_t piecesTaken;
        std::u16string found;
    } cases[] = {
        {"no address: reads on", {u"abc", u"file://", u"local"}, 3, u""},
        {"prefix split over pieces, end marker in the last",
         {u"x file://lo", u"calhost/D:/a</str", u"ing>", u"more"},
         3,
         u"file://localhost/D:/a</string>"},
        {"window filled",
         {u"file://localhost/", std::u16string(259, u'a'), u"bc", u"d"},
         3,
         u"file://localhost/" + std::u16string(259, u'a') + u"b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MediaUrlScanner scanner;
        std::size_t taken = 0;
        for (const auto& piece : c.pieces) {
            ++taken;
            if (!scanner.Add(piece)) break;
        }
        EXPECT_EQ(taken, c.piecesTaken);
        EXPECT_EQ(scanner.Found(), c.found);
    }
}
