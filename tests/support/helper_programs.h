#pragma once
// The stand-in converters of testkit/process_helpers, found from the test executable's folder.

#include <string>
#include <string_view>

#include "platform/process.h"

#if !defined(VANTREL_EXE_SUFFIX) || !defined(VANTREL_PROCESS_HELPERS_DIR)
#error "VANTREL_EXE_SUFFIX, VANTREL_PROCESS_HELPERS_DIR: set by vantrel_use_process_helpers() in CMake"
#endif

namespace testing_support {

// Full path of a helper program; its folder is given relative to this test executable's.
inline std::u16string HelperPath(std::u16string_view name) {
    const std::u16string self = platform::ExecutablePath();
    std::u16string path = self.substr(0, self.find_last_of(u'\\') + 1);
    for (const char c : std::string_view(VANTREL_PROCESS_HELPERS_DIR)) {
        path += c == '/' ? u'\\' : static_cast<char16_t>(c);
    }
    return path + u'\\' + std::u16string(name) + u"" VANTREL_EXE_SUFFIX;
}

inline std::u16string QuickExitProgram() { return HelperPath(u"helper_quick_exit"); }
inline std::u16string SlowWriterProgram() { return HelperPath(u"helper_slow_writer"); }
inline std::u16string BulkyConverterProgram() { return HelperPath(u"helper_bulky_converter"); }

}  // namespace testing_support
