// Entry of vantrel-catalogue on POSIX systems: arguments arrive as UTF-8.

#include <malloc.h>
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

// Pages of a thousand apps are strings of megabytes, made at each view while
// lookups are under way and dropped again. glibc's allocator raises its
// threshold for mapping a block of its own after each such block is freed, and
// from then on places them in its arenas, where the gaps they leave keep the
// process's resident size well above what it holds (the lookup benchmark's
// peak: 61-65 MiB, against 48 MiB with the threshold held). Holding it keeps
// every block over 256 KiB in a mapping of its own, returned when freed.
void KeepLargeBlocksMapped() {
    constexpr int kThreshold = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, kThreshold);
}

}  // namespace

int main(int argc, char** argv) {
    RaiseDescriptorLimit();
    KeepLargeBlocksMapped();
    return catalogue::RunService(std::vector<std::string>(argv + 1, argv + argc));
}
