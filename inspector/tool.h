#pragma once
// vantrel-zip [--strict] COMMAND ARGS...: exit status 0 on success, 1 for an
// archiver error (its message on one line on `err`), 2 for any other error, 3
// when extract leaves an encrypted member out for a wrong or missing password.

#include <ostream>
#include <string>
#include <vector>

namespace vantrel_zip {

int RunTool(const std::vector<std::u16string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace vantrel_zip
