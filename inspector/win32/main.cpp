// Entry of vantrel-zip.exe: wmain (linked with -municode) receives the arguments
// as UTF-16, so a path outside the ANSI code page arrives intact. Output is
// UTF-8 with bare line feeds: the standard streams are switched to binary mode,
// or the C runtime would turn every "\n" into "\r\n".

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "inspector/tool.h"

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::win32::FromWchar(argv[i]));
    return vantrel_zip::RunTool(arguments, std::cout, std::cerr);
}
