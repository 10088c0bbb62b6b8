#include "details/metadata_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details/plist/xml_plist_writer.h"
#include "tests/support/bplist_writer.h"

using details::BinaryMetadataAsXml;
using namespace testing_support;

namespace {

// An array of `count` references to one string object of `length` bytes.
std::string SharedString(std::size_t length, std::uint64_t count) {
    std::string array = "\xAF\x13" + BigEndian(count, 8);
    for (std::uint64_t i = 0; i < count; ++i) array += BigEndian(1, 2);
    return AssembleBinaryPlist({array, "\x5F\x13" + BigEndian(length, 8) + std::string(length, 'x')}, 2, 0);
}

// Arrays nested `depth` deep, the innermost holding `count` booleans: each
// boolean's line is indented by `depth` tabs.
std::string DeepWide(int depth, std::uint64_t count) {
    std::vector<std::string> objects;
    for (int i = 0; i < depth; ++i) objects.push_back("\xA1" + BigEndian(static_cast<std::uint64_t>(i + 1), 2));
    std::string inner = "\xAF\x13" + BigEndian(count, 8);
    for (std::uint64_t i = 0; i < count; ++i) inner += BigEndian(static_cast<std::uint64_t>(depth + 1), 2);
    objects.push_back(inner);
    objects.push_back("\x09");
    return AssembleBinaryPlist(objects, 2, 0);
}

}  // namespace

TEST(BinaryMetadataAsXml, ConvertsWithinTheMetadataBounds) {
    const struct {
        const char* name;
        std::string bytes;
        bool converted;
    } cases[] = {
        {"metadata", WriteBinaryPlist(PlistDict({{"itemId", PlistInt(42)}})), true},
        {"XML metadata is read as it is", "<?xml version=\"1.0\"?><plist><dict/></plist>", false},
        {"empty", "", false},
        {"damaged", "bplist00\x01\x02", false},
        // 15 shared uses of a 1 MiB string pass; 17 expand past the 16 MiB of text.
        {"shared text within the bound", SharedString(1 << 20, 15), true},
        {"shared text past the bound", SharedString(1 << 20, 17), false},
        // 500 nested arrays around 40,000 values: 20 MB of indentation in a small file.
        {"indentation past the output bound", DeepWide(500, 40000), false},
        {"more values than the tree may hold", DeepWide(1, 300000), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto xml = BinaryMetadataAsXml(c.bytes);
        ASSERT_EQ(xml.has_value(), c.converted);
        if (xml) {
            EXPECT_LE(xml->size(), details::kMetadataXmlLimit);
        }
    }
}

// The bound cuts nothing short: a document that fits is the one without a bound.
TEST(BinaryMetadataAsXml, TheBoundChangesNoDocumentThatFits) {
    const std::string bytes = DeepWide(30, 2000);
    const auto xml = BinaryMetadataAsXml(bytes);
    ASSERT_TRUE(xml);
    EXPECT_EQ(*xml, plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes)));
    EXPECT_THROW(plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes), xml->size() - 1), plist::PlistError);
    EXPECT_EQ(plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes), xml->size()), *xml);
}
