// The whole text read piece by piece against the whole-file reader, which stays
// the reference: the same characters wherever the pieces are cut.
#include "platform/text_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/file_stream.h"
#include "platform/text_file.h"
#include "tests/support/temp_dir.h"

using namespace platform;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::u16string WholeFileText(std::string_view bytes) { return WholeText(DecodeTextLines(Bytes(bytes))); }

// The decoder fed the bytes cut at `cuts` (ascending offsets), then finished.
std::u16string StreamedText(std::string_view bytes, const std::vector<std::size_t>& cuts) {
    WholeTextDecoder decoder;
    std::u16string text;
    std::size_t start = 0;
    for (const std::size_t cut : cuts) {
        decoder.Add(Bytes(bytes.substr(start, cut - start)), text);
        start = cut;
    }
    decoder.Add(Bytes(bytes.substr(start)), text);
    decoder.Finish(text);
    return text;
}

std::vector<std::size_t> EveryNth(std::size_t size, std::size_t pieceSize) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = pieceSize; cut < size; cut += pieceSize) cuts.push_back(cut);
    return cuts;
}

// Every piece size, and every single cut, of a short input.
void ExpectSameAtEveryCut(std::string_view bytes) {
    const std::u16string reference = WholeFileText(bytes);
    for (std::size_t size = 1; size <= bytes.size(); ++size) {
        ASSERT_EQ(StreamedText(bytes, EveryNth(bytes.size(), size)), reference) << "pieces of " << size;
    }
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        ASSERT_EQ(StreamedText(bytes, {cut}), reference) << "cut at " << cut;
    }
}

std::string Utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

}  // namespace

TEST(WholeTextDecoder, HandMadeCasesAtEveryCut) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"empty file", "", u""},
        {"a UTF-16 mark alone", "\xFF\xFE", u""},
        {"one byte that could begin a mark", "\xFF", u"\u00ff\r\n"},
        {"two bytes of the UTF-8 mark read as ANSI", "\xEF\xBB", u"\u00ef\u00bb\r\n"},
        {"FF FE wins over a UTF-8 look", "\xFF\xFE\xEF\xBB", u"\uBBEF\r\n"},
        {"UTF-8 mark, two- and four-byte sequences",
         "\xEF\xBB\xBF"
         "a\xC3\xBC\xF0\x9F\x98\x80z",
         u"a\u00fc\U0001F600z\r\n"},
        {"UTF-8 sequence cut by the end of the file",
         "\xEF\xBB\xBF"
         "ab\xE2\x82",
         u"ab\uFFFD\uFFFD\r\n"},
        {"UTF-8 sequence broken by an ASCII byte", "\xEF\xBB\xBF\xE2\x28\xA1z", u"\uFFFD(\uFFFDz\r\n"},
        {"UTF-8 overlong form and encoded surrogate", "\xEF\xBB\xBF\xC0\xAF\xED\xA0\x80",
         u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\r\n"},
        {"UTF-8 above U+10FFFF", "\xEF\xBB\xBF\xF4\x90\x80\x80!", u"\uFFFD\uFFFD\uFFFD\uFFFD!\r\n"},
        {"UTF-8 lone continuation bytes", "\xEF\xBB\xBF\x80\xBF", u"\uFFFD\uFFFD\r\n"},
        {"UTF-8 NUL ends the text",
         "\xEF\xBB\xBF"
         "a\nb\0c"s,
         u"a\r\nb\r\n"},
        {"UTF-16 LE surrogate pair and CR LF", Utf16Le(u"\U0001F600\r\nx"), u"\U0001F600\r\nx\r\n"},
        {"UTF-16 LE lone surrogates stay",
         Utf16Le(u"\xD800"
                 u"a\xDC00"),
         u"\xD800"
         u"a\xDC00\r\n"},
        {"UTF-16 LE odd byte at the end is dropped",
         "\xFF\xFE"
         "a\0b"s,
         u"a\r\n"},
        {"UTF-16 LE NUL ends the text", Utf16Le(u"a\0b"s.substr(0, 3)), u"a\r\n"},
        {"UTF-16 BE lone CR then LF", "\xFE\xFF\0\r\0a\0\n"s, u"\r\na\r\n"},
        {"CR LF, lone CR, lone LF", "a\r\nb\rc\nd", u"a\r\nb\r\nc\r\nd\r\n"},
        {"LF CR is two breaks", "a\n\rb", u"a\r\n\r\nb\r\n"},
        {"CR at the very end", "a\r", u"a\r\n"},
        {"empty lines", "\r\n\n\r", u"\r\n\r\n\r\n"},
        {"NUL between CR and LF", "a\r\0\nb"s, u"a\r\n"},
        {"NUL first", "\0abc"s, u""},
        {"ANSI high bytes", "\x80\x9F\xFC", u"\u20ac\u0178\u00fc\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(WholeFileText(c.bytes), c.text) << "the whole-file reader";
        ExpectSameAtEveryCut(c.bytes);
    }
}

// Random bytes rich in what the readers treat specially: marks, line ends,
// NUL, lead and continuation bytes, surrogate halves; cut at random places.
TEST(WholeTextDecoder, RandomInputsMatchTheWholeFileReader) {
    const std::string marks[] = {"", "", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF", "\xEF\xBB", "\xFF"};
    static constexpr char kAlphabet[] =
        "ab<>/\r\n\r\n\0\x80\xBF\xC3\xDF\xE2\x82\xAC\xED\xA0\xF0\x9F\xF4\x90\xFF\xFE\xD8\xDC";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);  // the NUL inside counts, the last does not
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = marks[random() % std::size(marks)];
        const std::size_t length = random() % 80;
        for (std::size_t i = 0; i < length; ++i) {
            // A NUL now and then, not so often that every text ends at once.
            char byte = alphabet[random() % alphabet.size()];
            if (byte == '\0' && random() % 4 != 0) byte = 'n';
            bytes += byte;
        }
        std::vector<std::size_t> cuts;
        for (std::size_t cut = random() % 5; cut < bytes.size(); cut += 1 + random() % 6) cuts.push_back(cut);
        SCOPED_TRACE(::testing::PrintToString(bytes));
        ASSERT_EQ(StreamedText(bytes, cuts), WholeFileText(bytes));
    }
}

TEST(WholeTextDecoder, EndsAtNulAndIgnoresWhatFollows) {
    WholeTextDecoder decoder;
    std::u16string text;
    decoder.Add(Bytes(std::string_view("ab\0cd", 5)), text);
    EXPECT_TRUE(decoder.Ended());
    decoder.Add(Bytes("ef"), text);
    decoder.Finish(text);
    EXPECT_EQ(text, u"ab\r\n");
}

TEST(AfterLastAsciiPair, Table) {
    const struct {
        const char* name;
        std::string bytes;
        std::size_t end;
    } cases[] = {
        {"empty", "", 0},
        {"one ASCII byte", "a", 0},
        {"a pair", "ab", 2},
        {"lead byte after the pair", "ab\x81", 2},
        {"trail byte in the ASCII range after a lead", "ab\x81\x40", 2},
        {"pair after high bytes",
         "\x81\x40\x82"
         "cd",
         5},
        {"no two ASCII bytes side by side",
         "a\x81"
         "b\x82"
         "c",
         0},
        {"the last of several pairs",
         "ab\x81"
         "cd\x82",
         5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AfterLastAsciiPair(c.bytes), c.end);
    }
}

TEST(AnsiWholeCharacters, NeverCutsWhatTheAnsiDecoderJoins) {
    // Whatever the system's code page, the characters of the whole prefix and
    // of the rest, decoded apart, are those of the whole.
    const std::string texts[] = {"plain ASCII text", "f\xFCr \x80\x81\x82\x83 ab",
                                 "\x81\x40\x82\x41"
                                 "ab\x83",
                                 "\xE3\x81\x82"
                                 "ab\xE3\x81"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const std::size_t whole = AnsiWholeCharacters(text);
        ASSERT_LE(whole, text.size());
        const std::string_view view(text);
        EXPECT_EQ(AnsiToWide(view.substr(0, whole)) + AnsiToWide(view.substr(whole)), AnsiToWide(text));
    }
}

TEST(ReadWholeText, GivesTheWholeFileReadersTextInAnyPieceSize) {
    testing_support::TempDir dir;
    const std::string bytes = "\xEF\xBB\xBF<a>\r\n\xC3\xBC\r<b>\nlast";
    const auto path = dir.Write(u"lib.xml", bytes);
    for (const std::size_t pieceSize : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{4096}}) {
        SCOPED_TRACE(pieceSize);
        std::u16string text;
        ReadWholeText(path, pieceSize, [&](std::u16string_view piece) {
            EXPECT_FALSE(piece.empty());
            text += piece;
            return true;
        });
        EXPECT_EQ(text, WholeText(LoadTextLines(path)));
    }
}

TEST(ReadWholeText, StopsWhenTheConsumerHasItsAnswer) {
    testing_support::TempDir dir;
    const auto path = dir.Write(u"lib.xml", "one\r\ntwo\r\nthree\r\n");
    std::u16string text;
    int calls = 0;
    ReadWholeText(path, 4, [&](std::u16string_view piece) {
        text += piece;
        return ++calls < 2;
    });
    // Pieces of four bytes: "one\r", then "\ntwo", whose LF belongs to the CR.
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(text, u"one\r\ntwo");
}

TEST(ReadWholeText, OpenErrorsAreThoseOfTheWholeFileReader) {
    testing_support::TempDir dir;
    const auto missing = dir.File(u"missing.xml");
    const auto held = dir.Write(u"held.xml", "x");
    const FileStream writer(held, kFmOpenReadWrite | kFmShareExclusive);
    for (const auto& path : {missing, held}) {
        std::u16string expected;
        try {
            LoadTextLines(path);
        } catch (const EFOpenError& e) {
            expected = e.Message();
        }
        ASSERT_FALSE(expected.empty());
        try {
            ReadWholeText(path, 64, [](std::u16string_view) { return true; });
            ADD_FAILURE() << "no error raised";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), expected);
        }
    }
}

TEST(ReadWholeText, SharesWithOtherReaders) {
    testing_support::TempDir dir;
    const auto path = dir.Write(u"shared.xml", "x");
    const FileStream reader(path, kFmOpenRead | kFmShareDenyWrite);
    std::u16string text;
    ReadWholeText(path, 64, [&](std::u16string_view piece) {
        text += piece;
        return true;
    });
    EXPECT_EQ(text, u"x\r\n");
}
