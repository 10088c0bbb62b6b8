// The computer's region on POSIX: the territory of the locale the environment
// names ("de_DE.UTF-8" -> "de"), as the C library would pick it for messages.
#include <cstdlib>
#include <string>

#include "service/lookup/lookup_options.h"

namespace lookup {

std::string SystemRegion() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return CountryOfLocaleName(value);
    }
    return {};
}

}  // namespace lookup
