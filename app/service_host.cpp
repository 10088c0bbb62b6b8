#include "app/service_host.h"

#ifndef VANTREL_SERVICE_HOST
#error "VANTREL_SERVICE_HOST must be defined by the build"
#endif

namespace app {

std::u16string_view ServiceHost() {
    static constexpr char16_t kServiceHost[] = u"" VANTREL_SERVICE_HOST;
    return kServiceHost;
}

}  // namespace app
