// The computer's region on POSIX: the territory of the locale the environment
// names ("de_DE.UTF-8" -> "de"), as the C library would pick it for messages.
#include <cstdlib>
#include <string>

#include "service/lookup/lookup_options.h"

namespace lookup {

std::string SystemRegion() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        const std::string locale(value);
        // language[_territory][.codeset][@modifier]
        const std::size_t underscore = locale.find('_');
        if (underscore == std::string::npos) return {};
        const std::string territory =
            locale.substr(underscore + 1, locale.find_first_of(".@", underscore) - underscore - 1);
        return NormalizeCountry(territory).value_or(std::string());
    }
    return {};
}

}  // namespace lookup
