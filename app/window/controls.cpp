#include "app/window/controls.h"

#include <windowsx.h>

#include "platform/win32/wide.h"

namespace app::window {

using platform::win32::FromWchar;
using platform::win32::ToWchar;

RECT Control::Bounds() const {
    RECT rect{};
    GetWindowRect(handle_, &rect);
    // Screen to parent-client coordinates; two points, so the rectangle maps whole.
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Control::Width() const {
    const RECT rect = Bounds();
    return rect.right - rect.left;
}

void Control::SetWidth(int width) {
    const RECT rect = Bounds();
    SetWindowPos(handle_, nullptr, 0, 0, width, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetFont(HFONT font) { SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

int ListBox::Count() const { return ListBox_GetCount(handle_); }

bool ListBox::Selected(int row) const { return ListBox_GetSel(handle_, row) > 0; }

void ListBox::SetSelected(int row, bool selected) { ListBox_SetSel(handle_, selected ? TRUE : FALSE, row); }

void ListBox::Add(std::u16string_view text) {
    const std::wstring wide = ToWchar(text);
    ListBox_AddString(handle_, wide.c_str());
}

void ListBox::AddAll(std::span<const std::u16string> texts) {
    // A list that redraws itself and its scroll bar after every row spends
    // nearly all of a fill of thousands of rows doing so.
    const RedrawPause pause(*this);
    std::size_t characters = 0;
    for (const auto& text : texts) characters += text.size() + 1;
    // Room for every row and string at once, not grown row by row.
    SendMessageW(handle_, LB_INITSTORAGE, texts.size(), static_cast<LPARAM>(characters * sizeof(wchar_t)));
    for (const auto& text : texts) Add(text);
}

std::u16string ListBox::Text(int row) const {
    const int length = ListBox_GetTextLen(handle_, row);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ListBox_GetText(handle_, row, text.data());
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return FromWchar(text);
}

int ListBox::TopIndex() const { return ListBox_GetTopIndex(handle_); }

void ListBox::SetTopIndex(int row) { ListBox_SetTopIndex(handle_, row); }

int ListBox::ClientHeight() const {
    RECT client{};
    GetClientRect(handle_, &client);
    return client.bottom - client.top;
}

RedrawPause::RedrawPause(const Control& control) : handle_(control.Handle()) {
    SendMessageW(handle_, WM_SETREDRAW, FALSE, 0);
}

RedrawPause::~RedrawPause() {
    SendMessageW(handle_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(handle_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Button::SetCaption(std::u16string_view caption) { SetWindowTextW(handle_, ToWchar(caption).c_str()); }

std::u16string Button::Caption() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(handle_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(handle_, text.data(), static_cast<int>(text.size()))));
    return FromWchar(text);
}

void Button::SetEnabled(bool enabled) { EnableWindow(handle_, enabled ? TRUE : FALSE); }

bool Button::Enabled() const { return IsWindowEnabled(handle_) != FALSE; }

void Button::Repaint() { RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

}  // namespace app::window
