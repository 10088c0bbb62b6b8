// Entry of the converter on POSIX systems: arguments arrive as UTF-8.

#include <iostream>
#include <string>
#include <vector>

#include "platform/strings.h"
#include "testkit/plutil/plutil_command.h"

int main(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::Utf8ToWide(argv[i]));
    return plist::RunPlutil(arguments, std::cerr);
}
