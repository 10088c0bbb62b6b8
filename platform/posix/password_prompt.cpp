// Without a window system there is no one to ask: the prompt answers Cancel, so an
// encrypted member is skipped unless an answer was installed (SetPasswordPromptAnswer).
#include "platform/password_prompt.h"

namespace platform {

std::optional<std::u16string> ShowSystemPasswordPrompt(std::u16string_view) { return std::nullopt; }

}  // namespace platform
