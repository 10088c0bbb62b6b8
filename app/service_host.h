#pragma once
// The host name of the catalogue service, fixed at build time (CMake setting
// VANTREL_SERVICE_HOST, "localhost" by default). It also names the reply file
// and stands in the button caption.

#include <string_view>

namespace app {

std::u16string_view ServiceHost();

}  // namespace app
