#include "testkit/plutil/plutil_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/bplist_writer.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;
using plist::RunPlutil;

namespace {

const std::string kBinary =
    WriteBinaryPlist(PlistDict({{"itemId", PlistInt(42)}, {"bundleVersion", PlistString("1.0")}}));

const std::string kXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "\t<key>bundleVersion</key>\n"
    "\t<string>1.0</string>\n"
    "\t<key>itemId</key>\n"
    "\t<integer>42</integer>\n"
    "</dict>\n"
    "</plist>\n";

TEST(PlutilCommand, RewritesTheFileInPlace) {
    const TempDir dir;
    struct Row {
        const char* name;
        std::u16string fileName;
        std::string content;
        std::vector<std::u16string> argumentsBeforeFile;
    };
    const Row rows[] = {
        {"binary, as the program calls it", u"iTunesMetadata.plist", kBinary, {u"-convert", u"xml1", u"-s"}},
        {"binary without -s", u"a.plist", kBinary, {u"-convert", u"xml1"}},
        {"-s first", u"b.plist", kBinary, {u"-s", u"-convert", u"xml1"}},
        {"XML in another layout",
         u"c.plist",
         "<plist><dict><key>itemId</key><integer>42</integer>"
         "<key>bundleVersion</key><string>1.0</string></dict></plist>",
         {u"-convert", u"xml1", u"-s"}},
        {"name outside ASCII", u"Metadaten \u00e4\u20ac.plist", kBinary, {u"-convert", u"xml1", u"-s"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::u16string path = dir.Write(row.fileName, row.content);
        std::vector<std::u16string> arguments = row.argumentsBeforeFile;
        arguments.push_back(path);
        std::ostringstream errors;
        EXPECT_EQ(RunPlutil(arguments, errors), plist::kExitSuccess);
        EXPECT_EQ(errors.str(), "");
        EXPECT_EQ(ReadFileBytes(path), kXml);
    }
}

TEST(PlutilCommand, LeavesTheFileUntouchedOnAnyFailure) {
    const TempDir dir;
    struct Row {
        const char* name;
        std::string content;
        std::vector<std::u16string> arguments;  // u"FILE" stands for the file's path
    };
    const Row rows[] = {
        {"other format", kBinary, {u"-convert", u"binary1", u"FILE"}},
        {"format missing", kBinary, {u"-convert", u"FILE"}},
        {"no -convert", kBinary, {u"-s", u"FILE"}},
        {"lint option", kBinary, {u"-lint", u"FILE"}},
        {"unknown option", kBinary, {u"-convert", u"xml1", u"-o", u"FILE"}},
        {"two files", kBinary, {u"-convert", u"xml1", u"FILE", u"FILE"}},
        {"-convert twice", kBinary, {u"-convert", u"xml1", u"-convert", u"xml1", u"FILE"}},
        {"no arguments", kBinary, {}},
        {"not a property list", "PK\x03\x04 not a plist", {u"-convert", u"xml1", u"-s", u"FILE"}},
        {"empty file", "", {u"-convert", u"xml1", u"-s", u"FILE"}},
        {"binary with a cycle",
         AssembleBinaryPlist({std::string("\xA1\x00", 2)}, 1, 0),
         {u"-convert", u"xml1", u"-s", u"FILE"}},
        {"binary cut short", kBinary.substr(0, kBinary.size() - 1), {u"-convert", u"xml1", u"-s", u"FILE"}},
        {"XML cut short", kXml.substr(0, kXml.size() - 10), {u"-convert", u"xml1", u"-s", u"FILE"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::u16string path = dir.Write(u"metadata.plist", row.content);
        std::vector<std::u16string> arguments;
        for (const std::u16string& argument : row.arguments) arguments.push_back(argument == u"FILE" ? path : argument);
        std::ostringstream errors;
        EXPECT_EQ(RunPlutil(arguments, errors), plist::kExitFailure);
        EXPECT_NE(errors.str(), "");
        EXPECT_EQ(ReadFileBytes(path), row.content);
    }
}

TEST(PlutilCommand, AMissingFileFailsAndIsNotCreated) {
    const TempDir dir;
    const std::u16string path = dir.File(u"missing.plist");
    std::ostringstream errors;
    EXPECT_EQ(RunPlutil({u"-convert", u"xml1", u"-s", path}, errors), plist::kExitFailure);
    EXPECT_NE(errors.str().find("missing.plist"), std::string::npos);
    EXPECT_FALSE(platform::FileExists(path));
}

}  // namespace
