#include "app/paths.h"

namespace app {

std::u16string EnsureTrailingBackslash(std::u16string_view path) {
    std::u16string result(path);
    if (result.empty() || result.back() != u'\\') result += u'\\';
    return result;
}

}  // namespace app
