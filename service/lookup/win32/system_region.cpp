// The computer's region on Windows: the user's "Country or region" setting.
// GetUserDefaultGeoName (Windows 10 1709 and later) is looked up at run time,
// so the program still starts on Windows 7; there the geographical id and
// GetGeoInfoW give the same ISO code.
#include <windows.h>

#include <string>

#include "service/lookup/lookup_options.h"

namespace lookup {

namespace {

using GetUserDefaultGeoNameFn = int(WINAPI*)(LPWSTR, int);

std::string Ascii(const wchar_t* text) {
    std::string out;
    for (; *text != L'\0'; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

std::string FromGeoName() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return {};
    const auto getName = reinterpret_cast<GetUserDefaultGeoNameFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetUserDefaultGeoName")));
    if (getName == nullptr) return {};
    wchar_t name[16] = {};
    if (getName(name, 16) == 0) return {};
    return Ascii(name);  // "DE", or "001" (the world) when none is set
}

std::string FromGeoId() {
    const GEOID geo = GetUserGeoID(GEOCLASS_NATION);
    if (geo == GEOID_NOT_AVAILABLE) return {};
    wchar_t iso[16] = {};
    if (GetGeoInfoW(geo, GEO_ISO2, iso, 16, 0) == 0) return {};
    return Ascii(iso);
}

}  // namespace

std::string SystemRegion() {
    if (std::optional<std::string> region = NormalizeCountry(FromGeoName())) return *region;
    return NormalizeCountry(FromGeoId()).value_or(std::string());
}

}  // namespace lookup
