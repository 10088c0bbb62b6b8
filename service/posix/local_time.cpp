#include "service/local_time.h"

#include <ctime>

namespace catalogue {

std::string LocalClockTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::ceil<std::chrono::minutes>(when));
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return {};
    char text[8] = {};
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

}  // namespace catalogue
