#pragma once
// Command lines as Windows programs read them. The POSIX layer starts programs
// directly and uses these rules to turn a Windows-style command line into the
// argument vector the program would have seen on Windows.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into arguments by the C runtime's rules: blanks (space,
// tab) separate arguments outside quotes; a double quote switches quoting on and
// off; inside quotes, two double quotes give one literal quote; 2n backslashes
// before a quote give n backslashes and the quote acts, 2n+1 give n backslashes
// and a literal quote; other backslashes are literal. "" alone is an empty argument.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The inverse of QuoteString for a file name: blanks around it removed, and when
// it is enclosed in double quotes, the quotes removed and doubled quotes halved.
// Text that is not enclosed comes back trimmed and otherwise unchanged.
std::u16string UnquoteFileName(std::u16string_view fileName);

}  // namespace platform
