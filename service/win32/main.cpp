// Entry of vantrel-catalogue.exe: wmain (linked with -municode) receives the
// arguments as UTF-16; the service takes them as UTF-8. With --service the
// service control manager runs it (a refused install value keeps its option's
// default), with --set-recovery it gives the installed service its recovery
// actions, otherwise it serves from the console.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "platform/strings.h"
#include "platform/win32/wide.h"
#include "service/service.h"
#include "service/win32/set_recovery.h"
#include "service/win32/windows_service.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::WideToUtf8(platform::win32::FromWchar(argv[i])));
    // The service control manager's start: nobody reads its standard error.
    const bool installed = std::find(arguments.begin(), arguments.end(), "--service") != arguments.end() &&
                           std::find(arguments.begin(), arguments.end(), "--help") == arguments.end();
    if (installed) return catalogue::win32::RunInstalledService(arguments);
    catalogue::ServiceOptions options;
    try {
        options = catalogue::ParseServiceOptions(arguments);
    } catch (const std::invalid_argument&) {
        return catalogue::RunService(arguments);  // which explains the error
    }
    if (options.setRecovery && !options.help) return catalogue::win32::RunSetRecovery();
    return catalogue::RunService(arguments);
}
