// The probe DLL: a WH_CALLWNDPROC hook procedure that the system loads into the
// program under test. It stays silent for every message but the probe message,
// whose answer it writes into the driver's shared section.

#include <windows.h>

#include <cstring>
#include <string>

#include "display_probe.h"
#include "handles.h"
#include "menu_snapshot.h"
#include "probe_protocol.h"
#include "taskbar_probe.h"
#include "theme_probe.h"

namespace {

// The query's arguments, copied out of the driver's section ("" when none).
std::string ReadRequest(DWORD driverPid) {
    const std::wstring name = driver::probe::kSectionPrefix + std::to_wstring(driverPid);
    driver::KernelHandle section(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (!section) return {};
    driver::ViewHandle view(MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, driver::probe::kSectionSize));
    if (!view) return {};
    const char* text = static_cast<const char*>(view.get()) + driver::probe::kRequestOffset;
    return std::string(text, strnlen(text, driver::probe::kSectionSize - driver::probe::kRequestOffset));
}

void WriteAnswer(DWORD driverPid, const std::string& json) {
    const std::wstring name = driver::probe::kSectionPrefix + std::to_wstring(driverPid);
    driver::KernelHandle section(OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str()));
    if (!section) return;
    driver::ViewHandle view(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, driver::probe::kSectionSize));
    if (!view) return;
    const size_t length = json.size() < driver::probe::kSectionSize - 1 ? json.size() : driver::probe::kSectionSize - 1;
    auto* bytes = static_cast<char*>(view.get());
    std::memcpy(bytes, json.data(), length);
    bytes[length] = '\0';
}

void Answer(HWND window, DWORD driverPid, LPARAM query) {
    switch (query) {
    case driver::probe::kQueryMenu:
        WriteAnswer(driverPid, driver::MenuSnapshotJson(GetMenu(window)));
        break;
    case driver::probe::kQueryIconKind:
        WriteAnswer(driverPid, driver::IconKindJson(window));
        break;
    case driver::probe::kQueryFonts:
        WriteAnswer(driverPid, driver::FontsJson(window));
        break;
    case driver::probe::kQueryDpiChanged:
        WriteAnswer(driverPid, driver::SendDpiChangedJson(window, ReadRequest(driverPid).c_str()));
        break;
    case driver::probe::kQueryMove:
        WriteAnswer(driverPid, driver::MoveWindowJson(window, ReadRequest(driverPid).c_str()));
        break;
    case driver::probe::kQueryHighContrast:
        WriteAnswer(driverPid, driver::SetHighContrastJson(window, ReadRequest(driverPid).c_str()));
        break;
    case driver::probe::kQueryDialogLayout:
        WriteAnswer(driverPid, driver::DialogLayoutJson(window));
        break;
    case driver::probe::kQueryTaskbar:
        WriteAnswer(driverPid, driver::TaskbarJson(window, ReadRequest(driverPid).c_str()));
        break;
    default:
        break;
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK VantrelProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageW(driver::probe::kMessageName);
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == probeMessage) Answer(call->hwnd, static_cast<DWORD>(call->wParam), call->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
