#include "inspector/tool.h"

#include <algorithm>

#include "archive/errors.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "inspector/command.h"

namespace vantrel_zip {
namespace {

constexpr int kArchiverError = 1;
constexpr int kOtherError = 2;
constexpr int kPasswordRefused = 3;

// A message on one line: line breaks inside it become blanks.
void ReportLine(std::ostream& err, std::string message) {
    std::replace(message.begin(), message.end(), '\r', ' ');
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << message << '\n';
}

int Usage(std::ostream& err) {
    err << "usage:\n";
    for (const Command& command : Commands()) {
        err << "  vantrel-zip [--strict] " << command.name << ' ' << command.usage << '\n';
    }
    err << "exit status: 0 done, " << kArchiverError << " archiver error, " << kOtherError
        << " other error (usage, options, files), " << kPasswordRefused
        << " encrypted member not extracted (wrong password, or none given)\n";
    return kOtherError;
}

const Command* FindCommand(const std::u16string& name) {
    const std::string wanted = platform::WideToUtf8(name);
    for (const Command& command : Commands()) {
        if (command.name == wanted) return &command;
    }
    return nullptr;
}

}  // namespace

int RunTool(const std::vector<std::u16string>& arguments, std::ostream& out, std::ostream& err) {
    std::size_t next = 0;
    Invocation invocation{.out = out};
    if (next < arguments.size() && arguments[next] == u"--strict") {
        invocation.strict = true;
        ++next;
    }
    if (next >= arguments.size()) return Usage(err);
    const Command* command = FindCommand(arguments[next++]);
    invocation.args.assign(arguments.begin() + static_cast<std::ptrdiff_t>(next), arguments.end());
    if (!command || invocation.args.size() < command->minArgs || invocation.args.size() > command->maxArgs) {
        return Usage(err);
    }
    try {
        const int status = command->run(invocation);
        out.flush();
        return status;
    } catch (const PasswordRefused& e) {
        out.flush();
        ReportLine(err, e.what());
        return kPasswordRefused;
    } catch (const archive::EZFException& e) {
        out.flush();
        ReportLine(err, e.what());
        return kArchiverError;
    } catch (const std::exception& e) {
        out.flush();
        ReportLine(err, e.what());
        return kOtherError;
    }
}

}  // namespace vantrel_zip
