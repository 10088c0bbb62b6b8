#pragma once
// The names a screen reader gives the controls that have no visible label of
// their own, in each interface language.

#include <string_view>

#include "app/language.h"

namespace app {

// The package list's accessible name.
std::u16string_view ListAccessibleName(Language language);

}  // namespace app
