#include "service/installed_options.h"

#include <stdexcept>

namespace catalogue {

namespace {

// The options an installation can set from a user's value.
bool IsInstallValueOption(const std::string& option) { return option == "--country" || option == "--lookup-url"; }

// Why `value` is refused for `option`, or empty when it is taken.
std::string Refusal(const std::string& option, const std::string& value) {
    const std::vector<std::string> pair = {option, value};
    std::size_t at = 0;
    lookup::LookupOptions scratch;
    try {
        lookup::TakeLookupOption(pair, at, scratch);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return {};
}

}  // namespace

InstalledOptions ParseInstalledServiceOptions(const std::vector<std::string>& arguments) {
    InstalledOptions installed;
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (IsInstallValueOption(argument) && i + 1 < arguments.size()) {
            const std::string refusal = Refusal(argument, arguments[i + 1]);
            if (!refusal.empty()) {
                installed.refused.push_back(refusal + "; the service uses the default of " + argument + " instead");
                ++i;
                continue;
            }
        }
        kept.push_back(argument);
    }
    installed.options = ParseServiceOptions(kept);
    return installed;
}

}  // namespace catalogue
