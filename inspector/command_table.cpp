#include "inspector/command.h"

namespace vantrel_zip {

namespace {
constexpr Command kCommands[] = {
    {"list", "ARCHIVE", 1, 1, RunList},
    {"info", "ARCHIVE", 1, 1, RunInfo},
    {"find", "ARCHIVE MASK [--recurse] [--attr N]", 2, 5, RunFind},
    {"extract", "ARCHIVE NAME [--password P] [--corrupted]", 2, 5, RunExtract},
};
}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace vantrel_zip
