#include "menu_snapshot.h"

#include "app/command_ids.h"
#include "json_writer.h"

namespace driver {
namespace {

struct MenuEntry {
    std::wstring text;
    UINT type = 0;
    UINT state = 0;
    UINT id = 0;
    HMENU submenu = nullptr;
};

bool ReadEntry(HMENU menu, int position, MenuEntry& entry) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return false;
    entry.type = info.fType;
    entry.state = info.fState;
    entry.id = info.wID;
    entry.submenu = info.hSubMenu;
    entry.text.clear();
    if (info.cch > 0) {
        // Second call with a buffer: cch counts the characters without the NUL.
        std::wstring buffer(info.cch + 1, L'\0');
        info.fMask = MIIM_STRING;
        info.dwTypeData = buffer.data();
        info.cch = static_cast<UINT>(buffer.size());
        if (GetMenuItemInfoW(menu, position, TRUE, &info)) entry.text.assign(buffer.c_str());
    }
    return true;
}

void WriteCaption(JsonWriter& json, const MenuEntry& entry) {
    const size_t tab = entry.text.find(L'\t');
    json.Field("caption", std::wstring_view(entry.text).substr(0, tab));
    json.Key("shortcut");
    if (tab == std::wstring::npos)
        json.Null();
    else
        json.String(std::wstring_view(entry.text).substr(tab + 1));
}

void WriteItems(JsonWriter& json, HMENU menu, std::wstring& total);

void WriteEntry(JsonWriter& json, const MenuEntry& entry, std::wstring& total) {
    json.BeginObject();
    WriteCaption(json, entry);
    json.Key("id");
    if (entry.submenu)
        json.Null();
    else
        json.Number(entry.id);
    json.Field("separator", (entry.type & MFT_SEPARATOR) != 0);
    json.Field("disabled", (entry.state & MFS_DISABLED) != 0);
    json.Field("checked", (entry.state & MFS_CHECKED) != 0);
    json.Field("radio", (entry.type & MFT_RADIOCHECK) != 0);
    json.Field("ownerdraw", (entry.type & MFT_OWNERDRAW) != 0);
    if (entry.submenu) {
        json.Key("items");
        WriteItems(json, entry.submenu, total);
    }
    json.EndObject();
    if (!entry.submenu && entry.id == static_cast<UINT>(app::ids::kMenuTotal)) total = entry.text;
}

void WriteItems(JsonWriter& json, HMENU menu, std::wstring& total) {
    json.BeginArray();
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MenuEntry entry;
        if (ReadEntry(menu, position, entry)) WriteEntry(json, entry, total);
    }
    json.EndArray();
}

}  // namespace

std::string MenuSnapshotJson(HMENU menu) {
    JsonWriter json;
    json.Field("found", menu != nullptr && IsMenu(menu) != FALSE);
    std::wstring total;
    bool hasTotal = false;
    json.Key("items");
    if (menu && IsMenu(menu)) {
        WriteItems(json, menu, total);
        hasTotal = GetMenuState(menu, app::ids::kMenuTotal, MF_BYCOMMAND) != static_cast<UINT>(-1);
    } else {
        json.BeginArray().EndArray();
    }
    json.Key("total");
    if (hasTotal)
        json.String(total);
    else
        json.Null();
    return json.Finish();
}

namespace {

HWND FindIconControl(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

const char* IconKind(HICON icon) {
    if (!icon) return "none";
    // The system icons are shared within a process, so a message box shows the very
    // handle that LoadIconW gives here.
    const struct {
        LPCWSTR resource;
        const char* name;
    } kKinds[] = {
        {IDI_ERROR, "error"}, {IDI_WARNING, "warning"}, {IDI_INFORMATION, "information"}, {IDI_QUESTION, "question"}};
    for (const auto& kind : kKinds)
        if (LoadIconW(nullptr, kind.resource) == icon) return kind.name;
    return "other";
}

}  // namespace

std::string IconKindJson(HWND dialog) {
    const HWND control = FindIconControl(dialog);
    const HICON icon = control ? reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)) : nullptr;
    JsonWriter json;
    json.Field("icon", IconKind(icon));
    return json.Finish();
}

}  // namespace driver
