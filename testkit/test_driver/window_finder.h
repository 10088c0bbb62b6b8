#pragma once
// Finding the windows of the program under test from outside its process.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace driver {

// The first top-level window with exactly this caption, or null.
HWND FindTopLevelByCaption(std::wstring_view caption);

// The first descendant of `parent` whose control id is `id`, or null.
HWND FindDescendantById(HWND parent, int id);

// Visible top-level dialogs (class #32770) of process `pid`, in z-order; with
// `titlePrefix` non-empty only those whose title starts with it.
std::vector<HWND> FindDialogs(DWORD pid, std::wstring_view titlePrefix);

// The id of the first running process with this executable name (case-insensitive), or 0.
DWORD FindProcessByName(std::wstring_view exeName);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// Polls `found` every 50 ms until it returns true or `seconds` pass.
template <typename Predicate>
bool WaitUntil(double seconds, Predicate found) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        if (found()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

// Sends a message and waits at most `timeoutMs` for it to be handled; false on timeout.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr,
                     UINT timeoutMs = 5000);

}  // namespace driver
