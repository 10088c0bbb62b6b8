#pragma once
// The inspector's commands: each is one entry of the table in command_table.cpp
// and one function. A command opens the archive itself (OpenForCommand) and
// writes its result to `out`; it reports failure by throwing.

#include <cstdint>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archiver.h"

namespace vantrel_zip {

struct Invocation {
    bool strict = false;                 // --strict: recovery of damaged archives off
    std::vector<std::u16string> args{};  // the command's own arguments
    std::ostream& out;
};

// An encrypted member not extracted: its password was wrong or not given.
class PasswordRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using CommandFunction = int (*)(const Invocation&);

struct Command {
    std::string_view name;
    std::string_view usage;  // the arguments, for the usage text
    std::size_t minArgs;
    std::size_t maxArgs;
    CommandFunction run;
};

std::span<const Command> Commands();

// A fresh component on `path`, default settings but for --strict, opened for
// reading, shared with other readers (deny write).
void OpenForCommand(archive::TZFArchiver& arc, const Invocation& invocation, const std::u16string& path);

// Lower-case hex of bytes; "%08x" of a 32-bit value.
std::string Hex(std::string_view bytes);
std::string Hex32(std::uint32_t value);

int RunList(const Invocation& invocation);
int RunInfo(const Invocation& invocation);
int RunFind(const Invocation& invocation);
int RunExtract(const Invocation& invocation);

}  // namespace vantrel_zip
