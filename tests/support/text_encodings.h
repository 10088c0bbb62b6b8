#pragma once
// Text files as the programs that write them encode them: the test side of the
// one text-file rule (ANSI, UTF-8 with or without mark, UTF-16 with a mark).

#include <string>
#include <string_view>

namespace testing_support {

enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom, Utf16LeNoBom };

inline constexpr Encoding kEveryEncoding[] = {Encoding::Ansi,       Encoding::Utf8,       Encoding::Utf8Bom,
                                              Encoding::Utf16LeBom, Encoding::Utf16BeBom, Encoding::Utf16LeNoBom};

// The encoding's name, for test traces.
const char* EncodingName(Encoding encoding);

// The file's bytes; characters the ANSI code page lacks become "?".
std::string Encode(std::u16string_view text, Encoding encoding);

}  // namespace testing_support
