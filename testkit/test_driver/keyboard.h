#pragma once
// Keyboard and mouse-wheel input as a user gives it: the target window is brought to the
// foreground and the keys go through the system's input queue (SendInput), so
// key state, accelerators and the focused control all see real keystrokes.

#include <windows.h>

#include <string_view>
#include <vector>

namespace driver {

// "ctrl+a", "ctrl+shift+tab", "alt+f4", "f10", "enter", "q": modifiers first, then
// one key. Returns the virtual-key codes in press order; throws StepError on an
// unknown name.
std::vector<WORD> ParseKeyCombo(std::wstring_view combo);

// Makes `window` the foreground window (waiting up to a second) and presses the
// keys in order, then releases them in reverse order.
void PressKeys(HWND window, const std::vector<WORD>& keys);

// Puts the mouse pointer on the middle of `control` and turns the wheel by `delta`
// (120 is one notch away from the user), as real input to the foreground window.
void TurnWheelOver(HWND control, int delta);

// Moves the keyboard focus to `control` of another thread (sharing its input state
// for the call), the way a click would, without clicking.
void FocusControl(HWND control);

// The window that has the keyboard focus in `window`'s thread, or null.
HWND FocusedWindow(HWND window);

}  // namespace driver
