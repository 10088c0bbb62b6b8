// The computer's region on Windows: the country of the system's default
// locale (GetSystemDefaultLocaleName, "de-DE"), which the computer's
// administrator sets for all its users. The service runs as LocalService, whose
// own "Country or region" (GetUserGeoID and the like) is the account's, not
// that of the people who use the computer.
#include <windows.h>

#include <string>

#include "platform/strings.h"
#include "platform/win32/wide.h"
#include "service/lookup/lookup_options.h"

namespace lookup {

std::string SystemRegion() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetSystemDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0) return {};
    return CountryOfLocaleName(platform::WideToUtf8(platform::win32::FromWchar(name)));
}

}  // namespace lookup
