#include "app/accessible_names.h"

#include <array>

namespace app {
namespace {

// In the order of the Language enumeration.
constexpr std::array<std::u16string_view, 3> kListNames = {
    u"App-Pakete",
    u"App packages",
    u"Paquets d'applications",
};

}  // namespace

std::u16string_view ListAccessibleName(Language language) { return kListNames[static_cast<std::size_t>(language)]; }

}  // namespace app
