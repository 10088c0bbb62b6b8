#include "display_probe.h"

#include <cstdio>

#include "app/command_ids.h"
#include "json_writer.h"

namespace driver {
namespace {

// The per-monitor functions exist from Windows 10 on: looked up, so the probe
// also loads where they are missing.
template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int LogPixelsY(HWND window) {
    const HDC dc = GetDC(window);
    if (!dc) return 0;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi;
}

void WriteDpi(JsonWriter& json, HWND main) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    using GetThreadContextFunction = HANDLE(WINAPI*)();
    using AwarenessFunction = int(WINAPI*)(HANDLE);
    const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const auto getThreadContext = User32Function<GetThreadContextFunction>("GetThreadDpiAwarenessContext");
    const auto getAwareness = User32Function<AwarenessFunction>("GetAwarenessFromDpiAwarenessContext");
    json.Key("dpi").BeginObject();
    json.Key("window");
    if (getDpiForWindow) {
        json.Number(getDpiForWindow(main));
    } else {
        json.Null();
    }
    json.Field("windowDc", LogPixelsY(main)).Field("screenDc", LogPixelsY(nullptr));
    // 0 unaware, 1 system aware, 2 per-monitor aware, -1 invalid.
    json.Key("awareness");
    if (getThreadContext && getAwareness) {
        json.Number(getAwareness(getThreadContext()));
    } else {
        json.Null();
    }
    json.EndObject();
}

void WriteFont(JsonWriter& json, const char* name, HWND window) {
    json.Key(name);
    const auto font = window ? reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) : nullptr;
    LOGFONTW logFont{};
    if (!font || GetObjectW(font, sizeof logFont, &logFont) != sizeof logFont) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Field("height", static_cast<long long>(logFont.lfHeight));
    json.Field("weight", static_cast<long long>(logFont.lfWeight));
    json.Field("italic", logFont.lfItalic != 0);
    json.Field("face", logFont.lfFaceName);
    json.EndObject();
}

void WriteRect(JsonWriter& json, const RECT& rect) {
    json.Field("x", static_cast<int>(rect.left)).Field("y", static_cast<int>(rect.top));
    json.Field("w", static_cast<int>(rect.right - rect.left)).Field("h", static_cast<int>(rect.bottom - rect.top));
}

BOOL CALLBACK WriteControl(HWND control, LPARAM context) {
    auto& json = *reinterpret_cast<JsonWriter*>(context);
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    json.BeginObject().Field("class", className).Field("text", text);
    WriteRect(json, rect);
    json.EndObject();
    return TRUE;
}

}  // namespace

std::string DialogLayoutJson(HWND dialog) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    JsonWriter json;
    json.Field("dpi", getDpiForWindow ? static_cast<int>(getDpiForWindow(dialog)) : LogPixelsY(dialog));
    WriteFont(json, "font", dialog);
    RECT base{0, 0, 4, 8};
    MapDialogRect(dialog, &base);
    json.Key("base").BeginObject().Field("x", static_cast<int>(base.right)).Field("y", static_cast<int>(base.bottom));
    json.EndObject();
    RECT client{};
    GetClientRect(dialog, &client);
    json.Key("client")
        .BeginObject()
        .Field("w", static_cast<int>(client.right))
        .Field("h", static_cast<int>(client.bottom));
    json.EndObject();
    RECT window{};
    GetWindowRect(dialog, &window);
    json.Key("window").BeginObject();
    WriteRect(json, window);
    json.EndObject();
    json.Key("controls").BeginArray();
    EnumChildWindows(dialog, &WriteControl, reinterpret_cast<LPARAM>(&json));
    json.EndArray();
    return json.Finish();
}

std::string FontsJson(HWND main) {
    JsonWriter json;
    WriteDpi(json, main);
    const HWND panel = GetDlgItem(main, app::ids::kPanel2);
    WriteFont(json, "main", main);
    WriteFont(json, "panel", panel);
    WriteFont(json, "list", panel ? GetDlgItem(panel, app::ids::kListBox1) : nullptr);
    WriteFont(json, "button", panel ? GetDlgItem(panel, app::ids::kUploadButton) : nullptr);
    return json.Finish();
}

std::string SendDpiChangedJson(HWND main, const char* request) {
    JsonWriter json;
    int dpi = 0;
    RECT suggested{};
    if (std::sscanf(request, "%d %ld %ld %ld %ld", &dpi, &suggested.left, &suggested.top, &suggested.right,
                    &suggested.bottom) != 5 ||
        dpi <= 0 || dpi > 0xFFFF) {
        json.Field("sent", false).Field("error", "the request is not \"<dpi> <left> <top> <right> <bottom>\"");
        return json.Finish();
    }
    // Both resolutions are the same on every display Windows supports.
    const LRESULT result =
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    json.Field("sent", true).Field("result", static_cast<long long>(result));
    return json.Finish();
}

std::string MoveWindowJson(HWND main, const char* request) {
    JsonWriter json;
    int x = 0;
    int y = 0;
    if (std::sscanf(request, "%d %d", &x, &y) != 2) {
        json.Field("error", "the request is not \"<x> <y>\"");
        return json.Finish();
    }
    SetWindowPos(main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT window{};
    GetWindowRect(main, &window);
    json.Field("x", static_cast<int>(window.left)).Field("y", static_cast<int>(window.top));
    json.Field("w", static_cast<int>(window.right - window.left));
    json.Field("h", static_cast<int>(window.bottom - window.top));
    return json.Finish();
}

}  // namespace driver
