#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bplist_writer.h"
#include "details/plist/plist_value.h"
#include "testkit/plutil/plutil_command.h"

using namespace testing_support;
using plist::ConvertToXml;
using plist::PlistError;

namespace {

struct Row {
    const char* name;
    std::string bytes;
};

std::string Valid() { return WriteBinaryPlist(PlistDict({{"itemId", PlistInt(42)}})); }

// A valid file with one trailer or table byte range replaced.
std::string Mutated(std::size_t fromEnd, std::string replacement) {
    std::string bytes = Valid();
    bytes.replace(bytes.size() - fromEnd, replacement.size(), replacement);
    return bytes;
}

std::string Chain(int depth) {
    std::vector<std::string> objects;
    for (int i = 0; i < depth; ++i) objects.push_back("\xA1" + BigEndian(static_cast<std::uint64_t>(i + 1), 2));
    objects.push_back("\x08");
    return AssembleBinaryPlist(objects, 2, 0);
}

// Object i refers twice to object i + 1: 2^levels uses of the last one.
std::string Doubling(int levels) {
    std::vector<std::string> objects;
    for (int i = 0; i < levels; ++i) objects.push_back("\xA2" + std::string(2, static_cast<char>(i + 1)));
    objects.push_back("\x09");
    return AssembleBinaryPlist(objects, 1, 0);
}

TEST(ConvertBinary, RefusesHostileInputCleanly) {
    const Row rows[] = {
        {"array holding itself", AssembleBinaryPlist({std::string("\xA1\x00", 2)}, 1, 0)},
        {"dict and array holding each other",
         AssembleBinaryPlist({"\xD1\x01\x02", "\x51k", std::string("\xA1\x00", 2)}, 1, 0)},
        {"reference out of range", AssembleBinaryPlist({"\xA1\x05"}, 1, 0)},
        {"top object out of range", AssembleBinaryPlist({"\x08"}, 1, 3)},
        {"reference size 3", AssembleBinaryPlist({"\x08"}, 3, 0)},
        {"offset size 0", Mutated(26, std::string(1, '\0'))},
        {"offset size 5", Mutated(26, "\x05")},
        {"object count beyond the table", Mutated(24, BigEndian(1ULL << 62, 8))},
        {"object count zero", Mutated(24, BigEndian(0, 8))},
        {"table offset beyond the file", Mutated(8, BigEndian(UINT64_MAX, 8))},
        {"table offset inside the signature", Mutated(8, BigEndian(3, 8))},
        {"object offset into the table", AssembleBinaryPlist({"\x08"}, 1, 0).replace(9, 1, "\x09")},
        {"string longer than the file", AssembleBinaryPlist({"\x5F\x13" + BigEndian(0x3FFFFFFFFFFFFFFFULL, 8)}, 1, 0)},
        {"UTF-16 count that overflows", AssembleBinaryPlist({"\x6F\x13" + BigEndian(0x3FFFFFFFFFFFFFFFULL, 8)}, 1, 0)},
        {"count of 2^63", AssembleBinaryPlist({"\x4F\x13" + BigEndian(1ULL << 63, 8)}, 1, 0)},
        {"array longer than the file", AssembleBinaryPlist({"\xAF\x12" + BigEndian(0x7FFFFFFF, 4)}, 1, 0)},
        {"count that is not an int", AssembleBinaryPlist({"\x5F\x51x"}, 1, 0)},
        {"count cut off", AssembleBinaryPlist({"\x5F"}, 1, 0)},
        {"null object", AssembleBinaryPlist({std::string(1, '\0')}, 1, 0)},
        {"fill byte", AssembleBinaryPlist({"\x0F"}, 1, 0)},
        {"unknown type", AssembleBinaryPlist({"\x70"}, 1, 0)},
        {"integer size 32", AssembleBinaryPlist({"\x15" + std::string(32, '\1')}, 1, 0)},
        {"integer beyond 64 bits", AssembleBinaryPlist({"\x14" + BigEndian(1, 8) + BigEndian(0, 8)}, 1, 0)},
        {"integer cut off", AssembleBinaryPlist({"\x13\x01\x02"}, 1, 0)},
        {"4-byte date", AssembleBinaryPlist({std::string("\x32\x00\x00\x00\x00", 5)}, 1, 0)},
        {"UID of 9 bytes", AssembleBinaryPlist({"\x88" + std::string(9, '\1')}, 1, 0)},
        {"dict key that is a number", AssembleBinaryPlist({"\xD1\x01\x01", "\x10\x01"}, 1, 0)},
        {"truncated file", Valid().substr(0, Valid().size() - 10)},
        {"signature only", "bplist00"},
        {"nesting 600 deep", Chain(600)},
        {"a million uses of one object", Doubling(40)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(ConvertToXml(row.bytes), PlistError);
    }
}

TEST(ConvertBinary, AcceptsNestingWithinTheLimit) {
    EXPECT_NO_THROW(ConvertToXml(Chain(400)));
    EXPECT_NO_THROW(ConvertToXml(Doubling(12)));
}

TEST(ConvertXml, RefusesMalformedInputCleanly) {
    std::string nested;
    for (int i = 0; i < 1000; ++i) nested += "<array>";
    for (int i = 0; i < 1000; ++i) nested += "</array>";
    const Row rows[] = {
        {"empty file", ""},
        {"plain text", "hello"},
        {"key without value", "<plist version=\"1.0\"><dict><key>a</key></dict></plist>"},
        {"value without key", "<plist><dict><string>a</string></dict></plist>"},
        {"unknown element", "<plist><foo/></plist>"},
        {"mismatched end tag", "<plist><string>a</integer></plist>"},
        {"unterminated dict", "<plist><dict><key>a</key><true/>"},
        {"missing </plist>", "<plist><true/>"},
        {"text in dict", "<dict>junk<key>a</key><true/></dict>"},
        {"integer with letters", "<integer>12a</integer>"},
        {"integer beyond 64 bits", "<integer>99999999999999999999</integer>"},
        {"integer below 64 bits", "<integer>-9223372036854775809</integer>"},
        {"empty integer", "<integer></integer>"},
        {"two dots", "<real>1.2.3</real>"},
        {"30 February", "<date>2011-02-30T00:00:00Z</date>"},
        {"date without Z", "<date>2011-02-03T00:00:00</date>"},
        {"base64 junk", "<data>@@@@</data>"},
        {"base64 lone digit", "<data>QUJD R</data>"},
        {"unknown entity", "<string>&nbsp;</string>"},
        {"surrogate reference", "<string>&#xD800;</string>"},
        {"NUL reference", "<string>&#0;</string>"},
        {"unterminated reference", "<string>&amp</string>"},
        {"invalid UTF-8", "<string>\xFF</string>"},
        {"two roots", "<true/><false/>"},
        {"text in true", "<true>x</true>"},
        {"element in string", "<string><b>x</b></string>"},
        {"attribute in end tag", "<string>a</string x=\"1\">"},
        {"empty plist", "<plist version=\"1.0\"/>"},
        {"unterminated comment", "<plist><!-- <true/></plist>"},
        {"nesting 1000 deep", nested},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(ConvertToXml(row.bytes), PlistError);
    }
}

}  // namespace
