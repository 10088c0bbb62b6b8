// Entry of vantrel-catalogue on POSIX systems: arguments arrive as UTF-8.

#include <string>
#include <vector>

#include "service/service.h"

int main(int argc, char** argv) {
    return catalogue::RunService(std::vector<std::string>(argv + 1, argv + argc));
}
