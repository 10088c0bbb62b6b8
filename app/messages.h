#pragma once
// The application title and the texts of the program's own message boxes.

#include <string>
#include <string_view>

namespace app {

// Title of every error box and plain message box of the program.
inline constexpr std::u16string_view kApplicationTitle = u"Vantrel";
inline constexpr std::u16string_view kNoITunesMessage = u"No iTunes found!";

// The text of the standard error box: the message, with "." appended when the
// code of its last character is above that of ".".
std::u16string ErrorBoxText(std::u16string_view message);

}  // namespace app
