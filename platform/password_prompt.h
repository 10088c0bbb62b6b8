#pragma once
// The archive reader's modal password prompt. On Windows a dialog with standard
// controls; where there is no window system, only an installed answer can reply.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Caption of the prompt: "Password for " and the member name in double quotes.
std::u16string PasswordPromptCaption(std::u16string_view itemName);

// Asks for the password of archive member `itemName` (its stored name) and blocks
// until the prompt is closed. Returns the typed text on OK, nothing on Cancel.
// While the Windows dialog is open the calling thread dispatches window messages.
std::optional<std::u16string> PasswordPrompt(std::u16string_view itemName);

// An answer given in place of the prompt (tests, scripted runs): receives the item
// name, returns the text or nothing for Cancel. Installing an empty function brings
// the system's prompt back. Returns the answer installed before.
using PasswordPromptAnswer = std::function<std::optional<std::u16string>(std::u16string_view itemName)>;
PasswordPromptAnswer SetPasswordPromptAnswer(PasswordPromptAnswer answer);

// The system's own prompt, without the installed answer.
std::optional<std::u16string> ShowSystemPasswordPrompt(std::u16string_view itemName);

}  // namespace platform
