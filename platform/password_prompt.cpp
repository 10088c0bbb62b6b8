#include "platform/password_prompt.h"

#include <utility>

namespace platform {
namespace {

PasswordPromptAnswer& InstalledAnswer() {
    static PasswordPromptAnswer answer;
    return answer;
}

}  // namespace

std::u16string PasswordPromptCaption(std::u16string_view itemName) {
    std::u16string caption = u"Password for \"";
    caption += itemName;
    caption += u'"';
    return caption;
}

std::optional<std::u16string> PasswordPrompt(std::u16string_view itemName) {
    if (const auto& answer = InstalledAnswer()) return answer(itemName);
    return ShowSystemPasswordPrompt(itemName);
}

PasswordPromptAnswer SetPasswordPromptAnswer(PasswordPromptAnswer answer) {
    return std::exchange(InstalledAnswer(), std::move(answer));
}

}  // namespace platform
