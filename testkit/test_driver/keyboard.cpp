#include "keyboard.h"

#include <cwctype>
#include <string>

#include "session.h"
#include "window_finder.h"

namespace driver {
namespace {

struct NamedKey {
    std::wstring_view name;
    WORD key;
};

constexpr NamedKey kNamedKeys[] = {
    {L"ctrl", VK_CONTROL}, {L"control", VK_CONTROL}, {L"shift", VK_SHIFT},   {L"alt", VK_MENU},
    {L"enter", VK_RETURN}, {L"return", VK_RETURN},   {L"esc", VK_ESCAPE},    {L"escape", VK_ESCAPE},
    {L"tab", VK_TAB},      {L"space", VK_SPACE},     {L"up", VK_UP},         {L"down", VK_DOWN},
    {L"left", VK_LEFT},    {L"right", VK_RIGHT},     {L"home", VK_HOME},     {L"end", VK_END},
    {L"pageup", VK_PRIOR}, {L"pagedown", VK_NEXT},   {L"delete", VK_DELETE}, {L"backspace", VK_BACK},
};

WORD KeyFromName(std::wstring_view name) {
    if (name.size() == 1 && std::iswalnum(name[0])) return static_cast<WORD>(std::towupper(name[0]));
    for (const auto& named : kNamedKeys)
        if (named.name == name) return named.key;
    if (name.size() >= 2 && name[0] == L'f') {
        const int number = _wtoi(std::wstring(name.substr(1)).c_str());
        if (number >= 1 && number <= 24) return static_cast<WORD>(VK_F1 + number - 1);
    }
    throw StepError(L"unknown key: " + std::wstring(name));
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

}  // namespace

std::vector<WORD> ParseKeyCombo(std::wstring_view combo) {
    std::wstring lower(combo);
    for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    std::vector<WORD> keys;
    size_t start = 0;
    while (start <= lower.size()) {
        const size_t plus = lower.find(L'+', start);
        const size_t end = plus == std::wstring::npos ? lower.size() : plus;
        keys.push_back(KeyFromName(std::wstring_view(lower).substr(start, end - start)));
        if (plus == std::wstring::npos) break;
        start = plus + 1;
    }
    return keys;
}

void PressKeys(HWND window, const std::vector<WORD>& keys) {
    if (GetForegroundWindow() != window) SetForegroundWindow(window);
    if (!WaitUntil(1.0, [&] { return GetForegroundWindow() == window; }))
        throw StepError(L"cannot bring the window to the foreground");
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(KeyInput(key, false));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(KeyInput(*key, true));
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) throw StepError(L"SendInput delivered only part of the keys");
}

void TurnWheelOver(HWND control, int delta) {
    const HWND top = GetAncestor(control, GA_ROOT);
    if (GetForegroundWindow() != top) SetForegroundWindow(top);
    RECT rect{};
    GetWindowRect(control, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    if (SendInput(1, &input, sizeof input) != 1) throw StepError(L"SendInput did not take the wheel turn");
}

void FocusControl(HWND control) {
    const HWND top = GetAncestor(control, GA_ROOT);
    if (GetForegroundWindow() != top) SetForegroundWindow(top);
    const DWORD target = GetWindowThreadProcessId(control, nullptr);
    const DWORD self = GetCurrentThreadId();
    // SetFocus works on windows of the calling thread's input state only; sharing
    // the target's input state for the call makes its control reachable.
    if (!AttachThreadInput(self, target, TRUE)) throw StepError(L"cannot share the window's input state");
    SetFocus(control);
    AttachThreadInput(self, target, FALSE);
    if (!WaitUntil(1.0, [&] { return FocusedWindow(control) == control; }))
        throw StepError(L"the control did not take the focus");
}

HWND FocusedWindow(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

}  // namespace driver
