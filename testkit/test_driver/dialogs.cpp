#include "dialogs.h"

#include <cstddef>
#include <vector>

#include "probe_client.h"
#include "probe_protocol.h"
#include "window_finder.h"

namespace driver {
namespace {

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsClass(HWND window, const wchar_t* name) { return lstrcmpiW(ClassName(window).c_str(), name) == 0; }

bool IsIconStatic(HWND window) {
    return IsClass(window, L"Static") && (GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

std::wstring WithoutAccelerator(std::wstring text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        plain += text[i];
    }
    return plain;
}

// The probe answers {"icon":"<kind>"}; the kind is plain ASCII without quotes.
std::wstring IconKindOf(HWND dialog) {
    const std::string answer = QueryProbe(dialog, probe::kQueryIconKind);
    const std::string key = "\"icon\":\"";
    const size_t start = answer.find(key);
    if (start == std::string::npos) throw StepError(L"the probe gave no icon kind");
    const size_t end = answer.find('"', start + key.size());
    return std::wstring(answer.begin() + static_cast<std::ptrdiff_t>(start + key.size()),
                        answer.begin() + static_cast<std::ptrdiff_t>(end));
}

void EnsureProcess(Session& session) {
    if (session.pid) return;
    session.pid = FindProcessByName(session.processName);
}

}  // namespace

HWND WaitForDialog(Session& session, double seconds, std::wstring_view titlePrefix) {
    HWND found = nullptr;
    WaitUntil(seconds, [&] {
        EnsureProcess(session);
        if (!session.pid) return false;
        const auto dialogs = FindDialogs(session.pid, titlePrefix);
        if (dialogs.empty()) return false;
        found = dialogs.front();
        return true;
    });
    if (!found) throw StepError(L"no dialog of the program appeared");
    session.dialog = found;
    return found;
}

HWND FindOpenDialog(Session& session, std::wstring_view titlePrefix) {
    if (session.dialog && IsWindow(session.dialog) && IsWindowVisible(session.dialog)) return session.dialog;
    EnsureProcess(session);
    if (!session.pid) return nullptr;
    const auto dialogs = FindDialogs(session.pid, titlePrefix);
    return dialogs.empty() ? nullptr : dialogs.front();
}

HWND CurrentDialog(Session& session, std::wstring_view titlePrefix) {
    const HWND dialog = FindOpenDialog(session, titlePrefix);
    if (!dialog) throw StepError(L"no dialog of the program is open");
    session.dialog = dialog;
    return dialog;
}

void WriteDialog(HWND dialog, JsonWriter& json) {
    json.Field("hwnd", static_cast<long long>(reinterpret_cast<INT_PTR>(dialog)));
    json.Field("title", WindowText(dialog));
    HWND owner = GetWindow(dialog, GW_OWNER);
    json.Field("ownerCaption", owner ? WindowText(owner) : std::wstring());
    std::wstring text;
    json.Key("buttons").BeginArray();
    for (HWND child : Children(dialog)) {
        if (!IsWindowVisible(child)) continue;
        if (IsClass(child, L"Button")) json.String(WithoutAccelerator(WindowText(child)));
        if (IsClass(child, L"Static") && !IsIconStatic(child)) {
            const std::wstring part = WindowText(child);
            if (part.empty()) continue;
            if (!text.empty()) text += L'\n';
            text += part;
        }
    }
    json.EndArray();
    json.Field("text", text);
    json.Field("icon", IconKindOf(dialog));
    json.Key("edits").BeginArray();
    for (HWND child : Children(dialog))
        if (IsClass(child, L"Edit")) json.String(WindowText(child));
    json.EndArray();
}

void PressDialogButton(HWND dialog, std::wstring_view caption, JsonWriter& json) {
    const bool byId = caption.starts_with(L"#");
    const int id = byId ? _wtoi(std::wstring(caption.substr(1)).c_str()) : 0;
    for (HWND child : Children(dialog)) {
        if (!IsClass(child, L"Button") || !IsWindowVisible(child)) continue;
        const std::wstring label = WithoutAccelerator(WindowText(child));
        const bool match =
            byId ? GetDlgCtrlID(child) == id
                 : CompareStringOrdinal(label.c_str(), -1, std::wstring(caption).c_str(), -1, TRUE) == CSTR_EQUAL;
        if (!match) continue;
        json.Field("pressed", label);
        PostMessageW(child, BM_CLICK, 0, 0);
        if (!WaitUntil(2.0, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }))
            throw StepError(L"the dialog stayed open after the click");
        return;
    }
    throw StepError(L"the dialog has no button " + std::wstring(caption));
}

void TypeIntoDialog(HWND dialog, std::wstring_view text) {
    for (HWND child : Children(dialog)) {
        if (!IsClass(child, L"Edit")) continue;
        for (wchar_t c : text)
            if (!SendWithTimeout(child, WM_CHAR, c, 1)) throw StepError(L"the edit field does not answer");
        return;
    }
    throw StepError(L"the dialog has no edit field");
}

}  // namespace driver
