#include "theme_probe.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "import_patch.h"
#include "json_writer.h"

namespace driver {
namespace {

using SystemParametersFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);

SystemParametersFunction realSystemParameters = nullptr;
bool reportHighContrast = false;

BOOL WINAPI SystemParametersWithHighContrast(UINT action, UINT parameter, PVOID data, UINT flags) {
    if (action == SPI_GETHIGHCONTRAST && data != nullptr) {
        auto* highContrast = static_cast<HIGHCONTRASTW*>(data);
        highContrast->dwFlags = HCF_AVAILABLE | (reportHighContrast ? HCF_HIGHCONTRASTON : 0);
        highContrast->lpszDefaultScheme = nullptr;
        return TRUE;
    }
    return realSystemParameters(action, parameter, data, flags);
}

bool PatchSystemParameters() {
    if (realSystemParameters != nullptr) return true;
    void* original =
        PatchImport("user32.dll", "SystemParametersInfoW", reinterpret_cast<void*>(&SystemParametersWithHighContrast));
    realSystemParameters = reinterpret_cast<SystemParametersFunction>(original);
    return realSystemParameters != nullptr;
}

// The colours a high-contrast theme gives the elements the window shows.
constexpr size_t kElementCount = 14;
constexpr std::array<int, kElementCount> kElements = {
    COLOR_WINDOW,     COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,    COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
    COLOR_BTNTEXT,    COLOR_BTNSHADOW,  COLOR_BTNHIGHLIGHT, COLOR_MENU,          COLOR_MENUTEXT,
    COLOR_3DDKSHADOW, COLOR_3DLIGHT,    COLOR_MENUBAR,      COLOR_GRAYTEXT};
constexpr std::array<COLORREF, kElementCount> kBlackTheme = {
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(26, 235, 255),  RGB(0, 0, 0),    RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),    RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(63, 242, 63)};
constexpr std::array<COLORREF, kElementCount> kWhiteTheme = {
    RGB(255, 255, 255), RGB(0, 0, 0), RGB(55, 0, 110),    RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(0, 0, 0),       RGB(0, 0, 0), RGB(0, 0, 0),       RGB(255, 255, 255), RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(0, 0, 0), RGB(255, 255, 255), RGB(96, 0, 0)};

std::array<COLORREF, kElementCount> savedColours{};
bool coloursSaved = false;

void SetColours(const std::array<COLORREF, kElementCount>& colours) {
    if (!coloursSaved) {
        for (size_t i = 0; i < kElements.size(); ++i) savedColours[i] = GetSysColor(kElements[i]);
        coloursSaved = true;
    }
    SetSysColors(static_cast<int>(kElements.size()), kElements.data(), colours.data());
}

bool ProgramSeesHighContrast() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof highContrast;
    return SystemParametersWithHighContrast(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
           (highContrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

std::string Hex(COLORREF colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

}  // namespace

std::string SetHighContrastJson(HWND main, const char* request) {
    JsonWriter json;
    char mode[8] = {};
    char theme[8] = {};
    char notify[16] = {};
    if (std::sscanf(request, "%7s %7s %15s", mode, theme, notify) != 3) {
        json.Field("error", "the request is not \"<on|off> <black|white|keep> <both|syscolor|setting>\"");
        return json.Finish();
    }
    if (!PatchSystemParameters()) {
        json.Field("error", "the program imports no SystemParametersInfoW from user32.dll");
        return json.Finish();
    }
    reportHighContrast = std::strcmp(mode, "on") == 0;
    if (std::strcmp(theme, "black") == 0 || std::strcmp(theme, "white") == 0) {
        if (reportHighContrast) {
            SetColours(std::strcmp(theme, "black") == 0 ? kBlackTheme : kWhiteTheme);
        } else if (coloursSaved) {
            SetColours(savedColours);
        }
    }
    const bool both = std::strcmp(notify, "both") == 0;
    if (both || std::strcmp(notify, "syscolor") == 0) SendMessageW(main, WM_SYSCOLORCHANGE, 0, 0);
    if (both || std::strcmp(notify, "setting") == 0) {
        SendMessageW(main, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }
    json.Field("patched", true).Field("highContrast", reportHighContrast);
    json.Field("programSees", ProgramSeesHighContrast());
    json.Key("colours").BeginObject();
    json.Field("window", Hex(GetSysColor(COLOR_WINDOW))).Field("windowText", Hex(GetSysColor(COLOR_WINDOWTEXT)));
    json.Field("highlight", Hex(GetSysColor(COLOR_HIGHLIGHT)));
    json.Field("highlightText", Hex(GetSysColor(COLOR_HIGHLIGHTTEXT)));
    json.EndObject();
    return json.Finish();
}

}  // namespace driver
