#pragma once
// The driver's steps: each one acts on or reads the program under test and adds
// its findings to the step's JSON line.

#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"
#include "session.h"

namespace driver {

using StepArgs = std::vector<std::wstring>;

// Runs the step `name` with `args`; throws StepError when it fails or is unknown.
void RunStep(Session& session, std::wstring_view name, const StepArgs& args, JsonWriter& json);

// One line per step: name, arguments and what it does.
std::wstring StepUsage();

}  // namespace driver
