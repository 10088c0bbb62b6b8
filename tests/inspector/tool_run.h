#pragma once
// Runs the inspector's command line in process and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "inspector/tool.h"

namespace inspector_tests {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

inline ToolRun Tool(std::vector<std::u16string> arguments) {
    std::ostringstream out, err;
    const int status = vantrel_zip::RunTool(arguments, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace inspector_tests
