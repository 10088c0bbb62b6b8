#pragma once
// Headers that nearly every test source includes, compiled once per build and
// handed to every test executable (see vantrel_add_test). Only stable
// third-party and standard headers belong here: a project header would rebuild
// every test on each edit.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>
