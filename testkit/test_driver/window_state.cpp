#include "window_state.h"

#include "app/command_ids.h"
#include "keyboard.h"
#include "probe_client.h"
#include "probe_protocol.h"
#include "window_finder.h"

namespace driver {
namespace {

void WriteRect(JsonWriter& json, const RECT& rect) {
    json.Field("x", static_cast<int>(rect.left)).Field("y", static_cast<int>(rect.top));
    json.Field("w", static_cast<int>(rect.right - rect.left)).Field("h", static_cast<int>(rect.bottom - rect.top));
}

// The control's rectangle in the main window's client coordinates.
RECT RectInClient(HWND control, HWND main) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void WriteStyle(JsonWriter& json, HWND main) {
    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    json.Key("style").BeginObject();
    json.Field("caption", (style & WS_CAPTION) == WS_CAPTION);
    json.Field("sysmenu", (style & WS_SYSMENU) != 0);
    json.Field("minimizebox", (style & WS_MINIMIZEBOX) != 0);
    json.Field("maximizebox", (style & WS_MAXIMIZEBOX) != 0);
    json.Field("sizebox", (style & WS_THICKFRAME) != 0);
    json.EndObject();
}

void WriteControl(JsonWriter& json, const char* name, HWND control, HWND main) {
    json.Key(name);
    if (!control) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Field("id", GetDlgCtrlID(control));
    json.Field("class", ClassName(control));
    WriteRect(json, RectInClient(control, main));
    json.Field("visible", IsWindowVisible(control) != FALSE);
    json.Field("enabled", IsWindowEnabled(control) != FALSE);
    json.Field("text", WindowText(control));
    json.EndObject();
}

void WriteListStyle(JsonWriter& json, HWND list) {
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    json.Key("listStyle").BeginObject();
    json.Field("ownerdrawfixed", (style & LBS_OWNERDRAWFIXED) != 0);
    json.Field("hasstrings", (style & LBS_HASSTRINGS) != 0);
    json.Field("extendedsel", (style & LBS_EXTENDEDSEL) != 0);
    json.Field("multiplesel", (style & LBS_MULTIPLESEL) != 0);
    json.Field("sort", (style & LBS_SORT) != 0);
    json.EndObject();
}

}  // namespace

void WriteListState(HWND list, JsonWriter& json) {
    LRESULT count = 0;
    SendWithTimeout(list, LB_GETCOUNT, 0, 0, &count);
    json.Field("count", static_cast<long long>(count));
    json.Key("rows").BeginArray();
    for (LRESULT row = 0; row < count; ++row) {
        LRESULT length = 0;
        SendWithTimeout(list, LB_GETTEXTLEN, row, 0, &length);
        std::wstring text(length < 0 ? 1 : static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        SendWithTimeout(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()), &copied);
        text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
        json.String(text);
    }
    json.EndArray();
    json.Key("selected").BeginArray();
    for (LRESULT row = 0; row < count; ++row) {
        LRESULT selected = 0;
        SendWithTimeout(list, LB_GETSEL, row, 0, &selected);
        if (selected > 0) json.Number(row);
    }
    json.EndArray();
    LRESULT top = 0, caret = 0, itemHeight = 0;
    SendWithTimeout(list, LB_GETTOPINDEX, 0, 0, &top);
    SendWithTimeout(list, LB_GETCARETINDEX, 0, 0, &caret);
    SendWithTimeout(list, LB_GETITEMHEIGHT, 0, 0, &itemHeight);
    json.Field("top", static_cast<long long>(top));
    json.Field("caret", static_cast<long long>(caret));
    json.Field("itemHeight", static_cast<long long>(itemHeight));
}

std::string FocusName(Session& session) {
    // Asked after input too, when that input may have closed the window.
    const HWND main = session.main && IsWindow(session.main) ? session.main : FindTopLevelByCaption(session.caption);
    const HWND focus = main ? FocusedWindow(main) : nullptr;
    if (!focus) return "none";
    if (focus == main) return "main";
    switch (GetDlgCtrlID(focus)) {
    case app::ids::kListBox1:
        return "list";
    case app::ids::kUploadButton:
        return "button";
    case app::ids::kPanel2:
        return "panel";
    default:
        break;
    }
    std::string name = "other:";
    for (wchar_t c : ClassName(focus)) name += c < 0x80 ? static_cast<char>(c) : '?';
    return name;
}

void WriteWindowState(Session& session, JsonWriter& json) {
    const HWND main = session.RequireMain();
    json.Field("hwnd", static_cast<long long>(reinterpret_cast<INT_PTR>(main)));
    json.Field("pid", session.pid);
    json.Field("class", ClassName(main));
    json.Field("caption", WindowText(main));
    json.Field("visible", IsWindowVisible(main) != FALSE);
    json.Field("enabled", IsWindowEnabled(main) != FALSE);
    json.Field("foreground", GetForegroundWindow() == main);
    WriteStyle(json, main);
    RECT window{}, client{};
    GetWindowRect(main, &window);
    GetClientRect(main, &client);
    json.Key("window").BeginObject();
    WriteRect(json, window);
    json.EndObject();
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    json.Key("client")
        .BeginObject()
        .Field("w", static_cast<int>(client.right))
        .Field("h", static_cast<int>(client.bottom));
    json.Field("screenX", static_cast<int>(origin.x)).Field("screenY", static_cast<int>(origin.y));
    json.EndObject();
    json.Field("focus", FocusName(session));

    WriteControl(json, "panel", FindDescendantById(main, app::ids::kPanel2), main);
    const HWND list = FindDescendantById(main, app::ids::kListBox1);
    WriteControl(json, "button", FindDescendantById(main, app::ids::kUploadButton), main);
    json.Key("list");
    if (!list) {
        json.Null();
    } else {
        json.BeginObject();
        json.Field("id", GetDlgCtrlID(list));
        WriteRect(json, RectInClient(list, main));
        json.Field("enabled", IsWindowEnabled(list) != FALSE);
        WriteListStyle(json, list);
        WriteListState(list, json);
        json.EndObject();
    }
    json.Key("menu").Raw(QueryProbe(main, probe::kQueryMenu));
}

}  // namespace driver
