// Entry of vantrel-catalogue on POSIX systems: arguments arrive as UTF-8.

#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <vector>

#include "service/service.h"

namespace {

// Each connection is a descriptor; a usual soft limit (1,024) is below the
// connection cap. It is raised as far as the hard limit allows; where that is
// too low, the server sheds and backs off when accepting runs out of them.
void RaiseDescriptorLimit() {
    constexpr rlim_t kWanted = catalogue::kMaxConnections + 256;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kWanted) return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kWanted : std::min(limit.rlim_max, kWanted);
    setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char** argv) {
    RaiseDescriptorLimit();
    return catalogue::RunService(std::vector<std::string>(argv + 1, argv + argc));
}
