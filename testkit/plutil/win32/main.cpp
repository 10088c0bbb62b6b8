// Entry of plutil.exe: wmain (linked with -municode) receives the arguments as
// UTF-16, so a path outside the ANSI code page arrives intact.

#include <iostream>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "testkit/plutil/plutil_command.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::win32::FromWchar(argv[i]));
    return plist::RunPlutil(arguments, std::cerr);
}
