#include "app/url_decode.h"

#include <gtest/gtest.h>

using app::EUrlDecodeError;
using app::UrlDecode;

namespace {

struct DecodeCase {
    const char* name;
    std::string input;
    std::string output;
};

struct FailureCase {
    const char* name;
    std::string input;
    std::u16string message;
};

const std::u16string kTruncated = u"Fehler beim Decodieren eines im URL-Stil (%XX) codierten Strings bei Position ";
const std::u16string kInvalid = u"Ung\u00fcltiger URL-codiertes Zeichen (";

}  // namespace

TEST(UrlDecode, Table) {
    const DecodeCase cases[] = {
        {"empty", "", ""},
        {"plain text copied", "D:/Users/user/Music", "D:/Users/user/Music"},
        {"plus gives a space", "A+B", "A B"},
        {"%20 gives a space", "iTunes%20Media", "iTunes Media"},
        {"double percent gives one", "100%%", "100%"},
        {"double percent before digits", "%%41", "%41"},
        {"upper-case hex", "%41", "A"},
        {"lower-case hex", "%4a", "J"},
        {"mixed-case hex", "%c3%A9", "\xC3\xA9"},
        {"escaped slash", "a%2Fb", "a/b"},
        {"escaped percent", "%25", "%"},
        {"escaped plus stays plus", "%2B", "+"},
        {"%00 writes a NUL byte", "a%00b", std::string("a\0b", 3)},
        {"NUL byte ends the input", std::string("ab\0%G", 5), "ab"},
        {"escape at the very end", "x%41", "xA"},
        {"high bytes copied", "\xE9t\xE9", "\xE9t\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UrlDecode(c.input), c.output);
    }
}

TEST(UrlDecode, MalformedEscapesRaiseTheGermanMessages) {
    const FailureCase cases[] = {
        {"lone percent at the end", "abc%", kTruncated + u"4"},
        {"one character after the percent", "ab%4", kTruncated + u"3"},
        {"percent first with one character", "%4", kTruncated + u"1"},
        {"NUL cuts the escape",
         std::string("%4\0"
                     "1",
                     4),
         kTruncated + u"1"},
        {"non-hex first digit", "%G1", kInvalid + u"%G1) bei Position 1"},
        {"non-hex second digit", "ab%4z", kInvalid + u"%4z) bei Position 3"},
        {"space is no digit", "% 1", kInvalid + u"% 1) bei Position 1"},
        {"percent then plus", "%+2", kInvalid + u"%+2) bei Position 1"},
        {"only the first bad escape counts", "%41%XY%", kInvalid + u"%XY) bei Position 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            UrlDecode(c.input);
            ADD_FAILURE() << "no error raised";
        } catch (const EUrlDecodeError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(UrlDecode, ErrorIsAPlatformException) { EXPECT_THROW(UrlDecode("%"), platform::Exception); }
