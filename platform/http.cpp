#include "platform/http.h"

namespace platform {

std::u16string AgentName(std::u16string_view executablePath) {
    const std::size_t separator = executablePath.find_last_of(u"\\:");
    if (separator == std::u16string_view::npos) return std::u16string(executablePath);
    return std::u16string(executablePath.substr(separator + 1));
}

}  // namespace platform
