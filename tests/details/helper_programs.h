#pragma once
// The stand-in converters built beside the test executables (helpers/).

#include <string>
#include <string_view>

#include "platform/process.h"

#ifndef VANTREL_EXE_SUFFIX
#error "VANTREL_EXE_SUFFIX: the executable suffix of the build, set by CMake"
#endif

namespace details_test {

// Full path of a helper program that lies in this test executable's folder.
inline std::u16string HelperPath(std::u16string_view name) {
    const std::u16string self = platform::ExecutablePath();
    return self.substr(0, self.find_last_of(u'\\') + 1) + std::u16string(name) + u"" VANTREL_EXE_SUFFIX;
}

inline std::u16string QuickExitProgram() { return HelperPath(u"helper_quick_exit"); }
inline std::u16string SlowWriterProgram() { return HelperPath(u"helper_slow_writer"); }
inline std::u16string BulkyConverterProgram() { return HelperPath(u"helper_bulky_converter"); }

}  // namespace details_test
