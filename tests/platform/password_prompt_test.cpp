#include "platform/password_prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

// Removes any installed answer when a test ends, whatever happened.
class PasswordPromptTest : public ::testing::Test {
protected:
    void TearDown() override { SetPasswordPromptAnswer(nullptr); }
};

TEST_F(PasswordPromptTest, CaptionQuotesTheStoredName) {
    EXPECT_EQ(PasswordPromptCaption(u"Payload/X.app/secret.txt"), u"Password for \"Payload/X.app/secret.txt\"");
    EXPECT_EQ(PasswordPromptCaption(u""), u"Password for \"\"");
}

TEST_F(PasswordPromptTest, InstalledAnswerRepliesInPlaceOfThePrompt) {
    std::vector<std::u16string> asked;
    SetPasswordPromptAnswer([&](std::u16string_view name) -> std::optional<std::u16string> {
        asked.emplace_back(name);
        if (asked.size() == 1) return u"first";
        return std::nullopt;
    });
    EXPECT_EQ(PasswordPrompt(u"a.txt"), std::optional<std::u16string>(u"first"));
    EXPECT_EQ(PasswordPrompt(u"b.txt"), std::nullopt);
    EXPECT_EQ(asked, (std::vector<std::u16string>{u"a.txt", u"b.txt"}));
}

TEST_F(PasswordPromptTest, InstallingReturnsThePreviousAnswer) {
    SetPasswordPromptAnswer([](std::u16string_view) { return std::optional<std::u16string>(u"one"); });
    const auto previous = SetPasswordPromptAnswer([](std::u16string_view) { return std::optional<std::u16string>(); });
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous(u"x"), std::optional<std::u16string>(u"one"));
    EXPECT_EQ(PasswordPrompt(u"x"), std::nullopt);
}

}  // namespace
