// The inspector's find and extract commands: their options, output and exit statuses.
#include "inspector/tool.h"
#include "tests/inspector/tool_run.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/pkware_crypt.h"
#include "platform/exception.h"
#include "platform/file_stream.h"
#include "inspector/command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_aes.h"
#include "tests/support/zip_writer.h"

using namespace testing_support;

using inspector_tests::Tool;
using inspector_tests::ToolRun;

namespace {

const std::string kBinary("line\r\nnext\n\0\x01\xFF end", 17);

std::string Sample() {
    ZipWriter w;
    w.AddStored("iTunesMetadata.plist", "<plist/>")                                                       // 0
        .Add({.name = "Payload/X\xC3\xA4.app/Info.plist", .data = "info", .method = 8, .flags = 0x0800})  // 1
        .Add({.name = "Payload/", .flags = 0, .externalAttr = 0x10})                                      // 2
        .Add({.name = "bin.dat", .data = kBinary, .method = 8})                                           // 3
        .Add({.name = "bad.txt", .data = "damaged", .crcOverride = 7u});                                  // 4
    return w.Build().bytes;
}

ZipMember Encrypted(std::string name, std::string plain, std::string_view password) {
    ZipMember member{.name = std::move(name), .data = std::move(plain), .flags = 0x0001};
    std::string payload = "hdr-bytes-0" + std::string(1, static_cast<char>(Crc32(member.data) >> 24)) + member.data;
    archive::PkwareCipher(password).Encrypt({reinterpret_cast<std::uint8_t*>(payload.data()), payload.size()});
    member.rawData = std::move(payload);
    return member;
}

struct FindRow {
    const char* name;
    std::vector<std::u16string> options;
    std::u16string mask;
    std::string out;
};

TEST(VantrelZipFind, PrintsEveryHit) {
    TempDir dir;
    const std::u16string path = dir.Write(u"a.ipa", Sample());
    const FindRow rows[] = {
        {"root items only by default",
         {},
         u"*",
         "0\t\tiTunesMetadata.plist\n2\t\tPayload\n3\t\tbin.dat\n4\t\tbad.txt\n"},
        {"with --recurse a bare name is found anywhere",
         {u"--recurse"},
         u"info.plist",
         "1\tPayload\\X\xC3\xA4.app\\\tInfo.plist\n"},
        {"--attr in hex drops the directory",
         {u"--attr", u"0x28AF"},
         u"*",
         "0\t\tiTunesMetadata.plist\n3\t\tbin.dat\n4\t\tbad.txt\n"},
        {"--attr in decimal keeps it", {u"--attr", u"16"}, u"P*", "2\t\tPayload\n"},
        {"exact name", {}, u"Payload\\X\u00e4.app\\Info.plist", "1\tPayload\\X\xC3\xA4.app\\\tInfo.plist\n"},
        {"no hit is no error", {u"--recurse"}, u"*.none", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::u16string> arguments = {u"find", path, row.mask};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, row.out);
    }
}

TEST(VantrelZipFind, RejectsBadOptions) {
    TempDir dir;
    const std::u16string path = dir.Write(u"a.ipa", Sample());
    for (const auto& options : std::vector<std::vector<std::u16string>>{
             {u"--attr"}, {u"--attr", u"0xZZ"}, {u"--attr", u"99999999999"}, {u"--deep"}}) {
        std::vector<std::u16string> arguments = {u"find", path, u"*"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(VantrelZipExtract, WritesTheMemberBytesUnchanged) {
    TempDir dir;
    const std::u16string path = dir.Write(u"a.ipa", Sample());
    ToolRun run = Tool({u"extract", path, u"bin.dat"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kBinary);
    run = Tool({u"extract", path, u"ITUNESMETADATA.PLIST"});
    EXPECT_EQ(run.out, "<plist/>");
}

TEST(VantrelZipExtract, ArchiverErrorsEndWithStatusOne) {
    TempDir dir;
    const std::u16string path = dir.Write(u"a.ipa", Sample());
    ToolRun run = Tool({u"extract", path, u"Missing.plist"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "File \"Missing.plist\" not found - Native error: 00015\n");
    run = Tool({u"extract", path, u"bad.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Invalid size or check sum of file or unsupported compression format - Native error: 00008\n");
    EXPECT_EQ(run.out, "damaged") << "the member goes out as it is decoded; the test comes after the last byte";
    run = Tool({u"extract", path, u"bad.txt", u"--corrupted"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "damaged");
}

TEST(VantrelZipExtract, PasswordOrNothing) {
    TempDir dir;
    const std::u16string path =
        dir.Write(u"e.ipa", ZipWriter().Add(Encrypted("secret.txt", "hidden text", "pw")).Build().bytes);
    ToolRun run = Tool({u"extract", path, u"secret.txt", u"--password", u"pw"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "hidden text");
    const struct {
        std::vector<std::u16string> options;
        std::string err;
    } refusals[] = {
        {{}, "\"secret.txt\" is encrypted: no password given\n"},
        {{u"--password", u"wrong"}, "wrong password for \"secret.txt\"\n"},
        {{u"--password", u""}, "wrong password for \"secret.txt\"\n"},
    };
    for (const auto& row : refusals) {
        std::vector<std::u16string> arguments = {u"extract", path, u"secret.txt"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        run = Tool(arguments);
        SCOPED_TRACE(row.err);
        EXPECT_EQ(run.status, 3);
        EXPECT_EQ(run.err, row.err);
        EXPECT_TRUE(run.out.empty());
    }
}

// The exit status of a refused password is told in the usage text.
TEST(VantrelZipUsage, NamesTheExitStatuses) {
    const ToolRun run = Tool({});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("exit status: 0 done, 1 archiver error, 2 other error"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("3 encrypted member not extracted (wrong password, or none given)"), std::string::npos)
        << run.err;
}

// AES members: the right password gives the bytes, a wrong one or none skips the
// member (no bytes, status 3 with a message), a damaged authentication code ends
// with native code 8 after the bytes that arrived, as a failed check sum does
// (extract writes as it decodes).
TEST(VantrelZipExtract, AesMembersOpenWithTheirPassword) {
    TempDir dir;
    ZipLayout layout = ZipWriter()
                           .Add(AesMember("ae1.txt", "first text", {"pw", 1, 1}, 8))
                           .Add(AesMember("ae2.txt", "second text", {"pw", 3, 2}))
                           .Add(AesMember("damaged.txt", "third text", {"pw", 2, 2}))
                           .Build();
    layout.bytes[static_cast<std::size_t>(layout.centralDirStart - 1)] ^= 0x01;  // last code byte of damaged.txt
    const std::u16string path = dir.Write(u"aes.ipa", layout.bytes);
    const struct {
        const char16_t* member;
        const char16_t* password;
        int status;
        std::string out;
    } rows[] = {{u"ae1.txt", u"pw", 0, "first text"},
                {u"ae2.txt", u"pw", 0, "second text"},
                {u"ae2.txt", u"wrong", 3, ""},
                {u"ae1.txt", nullptr, 3, ""},
                {u"damaged.txt", u"pw", 1, "third text"}};
    for (const auto& row : rows) {
        std::vector<std::u16string> arguments = {u"extract", path, row.member};
        if (row.password) arguments.insert(arguments.end(), {u"--password", row.password});
        const ToolRun run = Tool(arguments);
        SCOPED_TRACE(std::string(run.err));
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out, row.out);
        if (row.status == 1) {
            EXPECT_EQ(run.err,
                      "Invalid size or check sum of file or unsupported compression format - Native error: 00008\n");
        }
        if (row.status == 3) {
            const std::string name = row.member == std::u16string(u"ae1.txt") ? "\"ae1.txt\"" : "\"ae2.txt\"";
            EXPECT_EQ(run.err,
                      row.password ? "wrong password for " + name + "\n" : name + " is encrypted: no password given\n");
        }
    }
}

TEST(VantrelZipExtract, StrictRefusesWhatTheRecoveryRoadWouldOpen) {
    TempDir dir;
    const ZipLayout layout = ZipWriter().AddStored("a.txt", "alpha").Build();
    const std::u16string path =
        dir.Write(u"cut.ipa", layout.bytes.substr(0, static_cast<std::size_t>(layout.centralDirStart)));
    ToolRun run = Tool({u"extract", path, u"a.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "alpha");
    run = Tool({u"--strict", u"extract", path, u"a.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Archive is damaged. Open failed - Native error: 00048\n");
}

// The inspector reads beside other readers; the program's own open (mode 0)
// keeps the archive to itself, and a writer is kept out while anyone reads.
TEST(VantrelZipOpen, SharesTheArchiveWithOtherReaders) {
    TempDir dir;
    const std::u16string path = dir.Write(u"a.ipa", Sample());
    const vantrel_zip::Invocation invocation{.out = std::cout};
    archive::TZFArchiver first, second;
    vantrel_zip::OpenForCommand(first, invocation, path);
    vantrel_zip::OpenForCommand(second, invocation, path);
    EXPECT_TRUE(first.Active());
    EXPECT_TRUE(second.Active());
    ToolRun run = Tool({u"extract", path, u"iTunesMetadata.plist"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "<plist/>");
    EXPECT_THROW(platform::FileStream(path, platform::kFmOpenReadWrite | platform::kFmShareDenyWrite),
                 platform::EFOpenError);
    archive::TZFArchiver program;
    program.SetFileName(path);
    EXPECT_THROW(program.OpenArchive(0), platform::EFOpenError) << "an exclusive open fails beside readers";
    first.CloseArchive();
    second.CloseArchive();
    program.OpenArchive(0);
    run = Tool({u"extract", path, u"iTunesMetadata.plist"});
    EXPECT_EQ(run.status, 2) << "the program's exclusive open keeps the inspector out";
}

}  // namespace
