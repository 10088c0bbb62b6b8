// Entry of vantrel-catalogue.exe: wmain (linked with -municode) receives the
// arguments as UTF-16; the service takes them as UTF-8.

#include <string>
#include <vector>

#include "platform/strings.h"
#include "platform/win32/wide.h"
#include "tools/catalogue_service/service.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::WideToUtf8(platform::win32::FromWchar(argv[i])));
    return catalogue::RunService(arguments);
}
