#pragma once
// Decoding of URL-style escapes in an 8-bit text, as the media-folder address in
// the iTunes library file carries them.

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace app {

// A malformed escape. The message names the 0-based offset of the character
// after the "%" (that is, the 1-based position of the "%").
class EUrlDecodeError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// "+" gives a space, "%%" one "%", "%XX" the byte with that hexadecimal value
// (either case); every other byte is copied. A NUL byte ends the input.
// Throws EUrlDecodeError on a "%" that lacks two following characters or whose
// two characters are not hexadecimal digits.
std::string UrlDecode(std::string_view text);

}  // namespace app
