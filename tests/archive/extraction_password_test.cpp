// The password stage of encrypted members: the right password decrypts, a wrong
// one brings the handler or the prompt back, Cancel and SkipFile end the member
// quietly, and the password last given stays for later members.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "platform/password_prompt.h"
#include "platform/strings.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;
using testing_support::ZipMember;
using testing_support::ZipWriter;

namespace {

const std::string kPlain = "<plist><dict><key>itemId</key><integer>284882215</integer></dict></plist>";

std::string EncryptedArchive() {
    ZipWriter w;
    w.Add(EncryptedMember("stored.plist", kPlain, "s3cret"))
        .Add(EncryptedMember("deflated.plist", kPlain, "s3cret", 8))
        .Add(EncryptedMember("descriptor.plist", kPlain, "s3cret", 8, true))
        .Add(EncryptedMember("other.plist", kPlain, "other"));
    return w.Build().bytes;
}

TEST(EncryptedMembers, RightPasswordDecryptsEveryKind) {
    OpenedArchive archive(EncryptedArchive());
    archive.arc.FPassword = "s3cret";
    ScriptedPrompt prompt({});
    for (const char16_t* name : {u"stored.plist", u"deflated.plist", u"descriptor.plist"}) {
        SCOPED_TRACE(platform::WideToUtf8(name));
        const Extraction result = Extract(archive.arc, name);
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.bytes, kPlain);
    }
    EXPECT_TRUE(prompt.asked.empty());
}

TEST(EncryptedMembers, WithoutHandlerThePromptAsksUntilRightOrCancel) {
    OpenedArchive archive(EncryptedArchive());
    ScriptedPrompt prompt({u"wrong", u"s3cret"});
    const Extraction first = Extract(archive.arc, u"deflated.plist");
    EXPECT_TRUE(first.ok) << first.message;
    EXPECT_EQ(first.bytes, kPlain);
    EXPECT_EQ(prompt.asked, (std::vector<std::u16string>{u"deflated.plist", u"deflated.plist"}));
    EXPECT_EQ(archive.arc.FPassword, "s3cret");

    // The password typed last serves the next member without asking.
    EXPECT_EQ(Extract(archive.arc, u"stored.plist").bytes, kPlain);
    EXPECT_EQ(prompt.asked.size(), 2u);

    // Another password: the prompt comes back, and Cancel ends the call quietly.
    const Extraction cancelled = Extract(archive.arc, u"other.plist");
    EXPECT_TRUE(cancelled.ok) << cancelled.message;
    EXPECT_TRUE(cancelled.bytes.empty());
    EXPECT_TRUE(archive.arc.FSkipFile);
    EXPECT_EQ(prompt.asked.size(), 3u);
}

TEST(EncryptedMembers, HandlerGivesPasswordsOrSkips) {
    OpenedArchive archive(EncryptedArchive());
    ScriptedPrompt prompt({});
    std::vector<std::u16string> asked;
    archive.arc.OnPassword = [&](TZFBaseArchiver&, const std::u16string& name, std::string& password, bool& skip) {
        asked.push_back(name);
        EXPECT_FALSE(skip);
        if (asked.size() == 1)
            password = "nope";
        else if (asked.size() == 2)
            password = "s3cret";
        else
            skip = true;
    };
    EXPECT_EQ(Extract(archive.arc, u"descriptor.plist").bytes, kPlain);
    EXPECT_EQ(asked.size(), 2u);
    const Extraction skipped = Extract(archive.arc, u"other.plist");
    EXPECT_TRUE(skipped.ok);
    EXPECT_TRUE(skipped.bytes.empty());
    EXPECT_EQ(asked.back(), u"other.plist");
    EXPECT_TRUE(prompt.asked.empty());
}

TEST(EncryptedMembers, SuppressedEventGoesOnWithTheWrongPasswordAndFails) {
    OpenedArchive archive(EncryptedArchive());
    ScriptedPrompt prompt({});
    archive.arc.FSuppressPasswordEvent = true;
    archive.arc.FPassword = "wrong";
    EXPECT_EQ(Extract(archive.arc, u"stored.plist").nativeError, 8);
    EXPECT_EQ(Extract(archive.arc, u"deflated.plist").nativeError, 8);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST(EncryptedMembers, HeaderCutShortFailsInsteadOfAskingForever) {
    ZipMember member{.name = "short", .data = "x", .flags = 0x0001, .rawData = std::string("abc")};
    OpenedArchive archive(ZipWriter().Add(member).Build().bytes);
    ScriptedPrompt prompt({u"a", u"b", u"c"});
    archive.arc.FPassword = "a";
    EXPECT_EQ(Extract(archive.arc, u"short").nativeError, 8);
    EXPECT_TRUE(prompt.asked.empty());
}

// An AES member (extra block 0x9901) whose verifier refuses every password given
// keeps asking; Cancel ends the call quietly, without output.
TEST(EncryptedMembers, AesVerifierRefusingThePasswordAsksAgain) {
    const std::string aes = testing_support::ExtraBlock(0x9901, std::string("\x02\x00"
                                                                            "AE\x03\x08\x00",
                                                                            7));
    ZipMember member{.name = "aes.bin",
                     .data = kPlain,
                     .method = 99,
                     .flags = 0x0001,
                     .centralExtra = aes,
                     .extractVersion = 51,
                     .rawData = std::string(16 + 2 + 40 + 10, 'z')};
    OpenedArchive archive(ZipWriter().Add(member).Build().bytes);
    ScriptedPrompt prompt({std::nullopt, u"any", u"other"});
    const Extraction cancelled = Extract(archive.arc, u"aes.bin");
    EXPECT_TRUE(cancelled.ok);
    EXPECT_EQ(prompt.asked.size(), 1u);
    const Extraction refused = Extract(archive.arc, u"aes.bin");
    EXPECT_TRUE(refused.ok) << refused.message;
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_EQ(prompt.asked.size(), 4u);
    EXPECT_EQ(archive.arc.FPassword, "other");
}

}  // namespace
