#include "window_finder.h"

#include <tlhelp32.h>

#include "handles.h"

namespace driver {

std::wstring WindowText(HWND window) {
    // WM_GETTEXT crosses process boundaries (GetWindowTextW does not for controls).
    LRESULT length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length)) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) return {};
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? length : 0);
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    const LRESULT done = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer);
    if (result) *result = static_cast<LRESULT>(answer);
    return done != 0;
}

HWND FindTopLevelByCaption(std::wstring_view caption) {
    struct Search {
        std::wstring_view caption;
        HWND found;
    } search{caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t text[512] = {};
            InternalGetWindowText(window, text, 512);
            if (s->caption != text) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDescendantById(HWND parent, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(window) != s->id) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> FindDialogs(DWORD pid, std::wstring_view titlePrefix) {
    struct Search {
        DWORD pid;
        std::wstring_view prefix;
        std::vector<HWND> found;
    } search{pid, titlePrefix, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->pid || !IsWindowVisible(window) || ClassName(window) != L"#32770") return TRUE;
            wchar_t title[512] = {};
            InternalGetWindowText(window, title, 512);
            if (std::wstring_view(title).starts_with(s->prefix)) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD FindProcessByName(std::wstring_view exeName) {
    // CreateToolhelp32Snapshot fails with INVALID_HANDLE_VALUE, not null.
    const HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (raw == INVALID_HANDLE_VALUE) return 0;
    KernelHandle snapshot(raw);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (CompareStringOrdinal(entry.szExeFile, -1, exeName.data(), static_cast<int>(exeName.size()), TRUE) ==
            CSTR_EQUAL)
            return entry.th32ProcessID;
    }
    return 0;
}

}  // namespace driver
