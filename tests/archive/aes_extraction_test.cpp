// AES-encrypted members (AE-1 and AE-2) made by the test writer: every strength,
// stored and deflated; the password stage as for classic encryption; and the
// damaged and cut members that must fail with native code 8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archiver.h"
#include "platform/strings.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_aes.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;
using testing_support::AesMember;
using testing_support::AesOptions;
using testing_support::ZipLayout;
using testing_support::ZipMember;
using testing_support::ZipWriter;

namespace {

const std::string kPlain = "<plist><dict><key>itemId</key><integer>284882215</integer></dict></plist>";

// Text that deflates well and is long enough for several key stream refills.
std::string LongText(std::size_t length) {
    std::string text;
    for (int line = 0; text.size() < length; ++line) text += "line " + std::to_string(line) + " of the member\n";
    text.resize(length);
    return text;
}

struct Kind {
    std::uint8_t strength;
    std::uint16_t method;
    std::uint16_t version;

    std::string Name() const {
        return "aes" + std::to_string(64 + 64 * strength) + (method == 8 ? "-deflated" : "-stored") + "-ae" +
               std::to_string(version);
    }
};

std::vector<Kind> EveryKind() {
    std::vector<Kind> kinds;
    for (std::uint8_t strength : {1, 2, 3}) {
        for (std::uint16_t method : {0, 8}) {
            for (std::uint16_t version : {1, 2}) kinds.push_back({strength, method, version});
        }
    }
    return kinds;
}

ZipMember MemberOfKind(const Kind& kind, const std::string& plain, const std::string& password = "s3cret") {
    return AesMember(kind.Name(), plain, AesOptions{password, kind.strength, kind.version}, kind.method);
}

// Where the member's stored data (salt first) begin, behind its local header.
std::int64_t DataStart(const ZipLayout& z, std::size_t member) {
    const std::int64_t lh = z.localHeaders[member];
    return lh + 30 + z.U16(lh + testing_support::zipfield::kLhNameLength) +
           z.U16(lh + testing_support::zipfield::kLhExtraLength);
}

ZipLayout OneMember(const ZipMember& member) { return ZipWriter().Add(member).Build(); }

TEST(AesMembers, EveryStrengthMethodAndVersionDecrypts) {
    ZipWriter writer;
    for (const Kind& kind : EveryKind()) writer.Add(MemberOfKind(kind, kPlain));
    OpenedArchive archive(writer.Build().bytes);
    archive.arc.FPassword = "s3cret";
    ScriptedPrompt prompt({});
    for (const Kind& kind : EveryKind()) {
        SCOPED_TRACE(kind.Name());
        const Extraction result = Extract(archive.arc, platform::Utf8ToWide(kind.Name()));
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.bytes, kPlain);
    }
    EXPECT_TRUE(prompt.asked.empty());
}

// Members longer than one chunk of the data loop, and of lengths that end
// inside a cipher block: the key stream runs on across chunks.
TEST(AesMembers, LongMembersDecryptAcrossChunks) {
    for (std::size_t length : {std::size_t{0}, std::size_t{15}, std::size_t{17}, std::size_t{0x100000 + 23},
                               std::size_t{2 * 0x100000 + 5}}) {
        for (std::uint16_t method : {0, 8}) {
            SCOPED_TRACE(std::to_string(length) + " bytes, method " + std::to_string(method));
            const std::string plain = LongText(length);
            OpenedArchive archive(OneMember(MemberOfKind({3, method, 2}, plain, "long")).bytes);
            archive.arc.FPassword = "long";
            const Extraction result =
                Extract(archive.arc, u"aes256-" + std::u16string(method == 8 ? u"deflated" : u"stored") + u"-ae2");
            EXPECT_TRUE(result.ok) << result.message;
            EXPECT_TRUE(result.bytes == plain);
        }
    }
}

TEST(AesMembers, WrongPasswordAsksAgainThroughPromptAndHandler) {
    const Kind kind{2, 8, 1};
    OpenedArchive archive(OneMember(MemberOfKind(kind, kPlain)).bytes);
    const std::u16string name = platform::Utf8ToWide(kind.Name());
    {
        ScriptedPrompt prompt({u"wrong", u"also wrong", u"s3cret"});
        const Extraction result = Extract(archive.arc, name);
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.bytes, kPlain);
        EXPECT_EQ(prompt.asked, std::vector<std::u16string>(3, name));
    }
    archive.arc.FPassword = "nope";
    std::vector<std::string> offered;
    archive.arc.OnPassword = [&](TZFBaseArchiver&, const std::u16string&, std::string& password, bool& skip) {
        offered.push_back(password);
        if (offered.size() == 1)
            password = "still wrong";
        else
            skip = true;
    };
    const Extraction skipped = Extract(archive.arc, name);
    EXPECT_TRUE(skipped.ok) << skipped.message;
    EXPECT_TRUE(skipped.bytes.empty());
    EXPECT_EQ(offered, (std::vector<std::string>{"nope", "still wrong"}));
}

TEST(AesMembers, SuppressedEventWithWrongPasswordFails) {
    for (const Kind& kind : {Kind{1, 0, 2}, Kind{3, 8, 1}}) {
        SCOPED_TRACE(kind.Name());
        OpenedArchive archive(OneMember(MemberOfKind(kind, kPlain)).bytes);
        ScriptedPrompt prompt({});
        archive.arc.FSuppressPasswordEvent = true;
        archive.arc.FPassword = "wrong";
        EXPECT_EQ(Extract(archive.arc, platform::Utf8ToWide(kind.Name())).nativeError, 8);
        EXPECT_TRUE(prompt.asked.empty());
    }
}

// The verifier decides for the empty password too: a member encrypted with it
// opens without asking.
TEST(AesMembers, EmptyPasswordIsTestedLikeAnyOther) {
    OpenedArchive archive(OneMember(MemberOfKind({1, 8, 2}, kPlain, "")).bytes);
    ScriptedPrompt prompt({});
    const Extraction result = Extract(archive.arc, u"aes128-deflated-ae2");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.bytes, kPlain);
    EXPECT_TRUE(prompt.asked.empty());
}

// One named mutation of a good single-member archive per row. Each must fail
// with native code 8 after the right password was accepted (or, when too short
// for its salt, without asking); what reached the stream is at most the plain
// text, and exactly it where only the check after the data failed.
struct DamageRow {
    const char* name;
    Kind kind;
    void (*damage)(ZipLayout& z);
    bool wholeOutput;  // the data loop delivered every byte before the check failed
};

void FlipByte(ZipLayout& z, std::int64_t at) { z.bytes[static_cast<std::size_t>(at)] ^= 0x01; }
std::int64_t DataEnd(const ZipLayout& z) { return z.centralDirStart; }

void SetCentralCompSize(ZipLayout& z, std::uint32_t size) {
    z.SetU32(z.centralHeaders[0] + testing_support::zipfield::kCdCompSize, size);
}

const DamageRow kDamageRows[] = {
    {"auth-code-last-byte", {3, 0, 2}, [](ZipLayout& z) { FlipByte(z, DataEnd(z) - 1); }, true},
    {"auth-code-first-byte-deflated", {1, 8, 1}, [](ZipLayout& z) { FlipByte(z, DataEnd(z) - 10); }, true},
    {"encrypted-byte-ae2", {2, 0, 2}, [](ZipLayout& z) { FlipByte(z, DataEnd(z) - 10 - 5); }, false},
    {"ae1-crc-wrong",
     {3, 0, 1},
     [](ZipLayout& z) { z.SetU32(z.centralHeaders[0] + testing_support::zipfield::kCdCrc, 0x12345678); },
     true},
    {"cut-before-auth-code",
     {3, 0, 2},
     [](ZipLayout& z) { SetCentralCompSize(z, static_cast<std::uint32_t>(DataEnd(z) - DataStart(z, 0) - 4)); },
     false},
    {"cut-deflated",
     {2, 8, 2},
     [](ZipLayout& z) { SetCentralCompSize(z, static_cast<std::uint32_t>(DataEnd(z) - DataStart(z, 0) - 20)); },
     false},
};

TEST(AesMembers, DamagedOrCutMembersFailWithCode8) {
    for (const DamageRow& row : kDamageRows) {
        SCOPED_TRACE(row.name);
        ZipLayout z = OneMember(MemberOfKind(row.kind, kPlain));
        row.damage(z);
        OpenedArchive archive(z.bytes);
        archive.arc.FPassword = "s3cret";
        ScriptedPrompt prompt({});
        const Extraction result = Extract(archive.arc, platform::Utf8ToWide(row.kind.Name()));
        EXPECT_EQ(result.nativeError, 8) << result.message;
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_LE(result.bytes.size(), kPlain.size());
        if (row.wholeOutput) {
            EXPECT_EQ(result.bytes, kPlain);
        } else {
            EXPECT_NE(result.bytes, kPlain);
        }

        archive.arc.FExtractCorruptedFiles = true;
        EXPECT_TRUE(Extract(archive.arc, platform::Utf8ToWide(row.kind.Name())).ok);
    }
}

// AE-2 stores no CRC-32: whatever stands in the field, the authentication code decides.
TEST(AesMembers, Ae2IgnoresTheStoredCrc) {
    ZipLayout z = OneMember(MemberOfKind({1, 0, 2}, kPlain));
    z.SetU32(z.centralHeaders[0] + testing_support::zipfield::kCdCrc, 0xDEADBEEF);
    OpenedArchive archive(z.bytes);
    archive.arc.FPassword = "s3cret";
    const Extraction result = Extract(archive.arc, u"aes128-stored-ae2");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.bytes, kPlain);
}

// Shorter than salt, verifier and authentication code together: no password could
// be tested, so nobody is asked, and the member fails.
TEST(AesMembers, MemberShorterThanItsOverheadFailsWithoutAsking) {
    for (std::uint8_t strength : {1, 2, 3}) {
        SCOPED_TRACE(static_cast<int>(strength));
        ZipLayout z = OneMember(MemberOfKind({strength, 0, 2}, ""));
        const auto overhead = static_cast<std::uint32_t>(testing_support::AesSaltLength(strength) + 2 + 10);
        SetCentralCompSize(z, overhead - 1);
        OpenedArchive archive(z.bytes);
        ScriptedPrompt prompt({u"s3cret"});
        const Extraction result =
            Extract(archive.arc, u"aes" + platform::Utf8ToWide(std::to_string(64 + 64 * strength)) + u"-stored-ae2");
        EXPECT_EQ(result.nativeError, 8) << result.message;
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_TRUE(result.bytes.empty());
    }
}

}  // namespace
