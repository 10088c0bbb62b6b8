#include "theme_probe.h"

#include <array>
#include <cstdio>
#include <cstring>

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

// The program's import address table entry of user32's SystemParametersInfoW
// (PE import directory: descriptors, their name thunks and address thunks).
SystemParametersFunction* ImportSlot() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name != 0;
         ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "user32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "SystemParametersInfoW") == 0)
                return reinterpret_cast<SystemParametersFunction*>(&addresses->u1.Function);
        }
    }
    return nullptr;
}

bool PatchImport() {
    if (realSystemParameters != nullptr) return true;
    SystemParametersFunction* slot = ImportSlot();
    if (slot == nullptr) return false;
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection)) return false;
    realSystemParameters = *slot;
    *slot = &SystemParametersWithHighContrast;
    VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
    return true;
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
    if (!PatchImport()) {
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
