// TForm1: the window at its display's resolution. Fonts, the list's rows and
// the children's places follow the resolution the window is laid out for, and
// follow it again when it changes (WM_DPICHANGED).
#include "app/window/form1.h"

#include <algorithm>
#include <utility>

#include "app/window/win32_geometry.h"

namespace app::window {
namespace {

void MoveControl(const Control& control, const Rect& bounds) {
    MoveWindow(control.Handle(), bounds.left, bounds.top, bounds.Width(), bounds.Height(), TRUE);
}

}  // namespace

void TForm1::ApplyFonts() {
    // Fonts are made at the resolution's character height, so their glyphs are
    // drawn for the display; the controls get the new fonts before the old
    // ones are deleted.
    FontHandle formFont = CreateArialFont(metrics_.formFontHeight, false);
    FontHandle listFont = CreateArialFont(metrics_.listFontHeight, true);
    FontHandle buttonFont = CreateArialFont(metrics_.buttonFontHeight, true);
    Panel2.SetFont(formFont.get());
    Panel2.SetBevelWidth(metrics_.bevelWidth);
    ListBox1.SetFont(listFont.get());
    SendMessageW(ListBox1.Handle(), LB_SETITEMHEIGHT, 0, MAKELPARAM(metrics_.rowHeight, 0));
    UploadButton.SetFont(buttonFont.get());
    formFont_ = std::move(formFont);
    listFont_ = std::move(listFont);
    buttonFont_ = std::move(buttonFont);
}

void TForm1::PlaceChildren(Size client) {
    const ChildRects rects = LayoutChildren(dpi_, client);
    MoveControl(Panel2, rects.panel);
    MoveControl(ListBox1, rects.list);
    MoveControl(UploadButton, rects.button);
}

void TForm1::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0 || Panel2.Handle() == nullptr) return;
    // The list keeps its selection by itself; its top row and the focus are
    // put back after the list has changed size and row height.
    const int topRow = ListBox1.TopIndex();
    const HWND focus = GetFocus();

    dpi_ = dpi;
    metrics_ = MetricsForDpi(dpi);
    // The limits of the old resolution would hold the suggested size back.
    minWidth_ = maxWidth_ = minHeight_ = 0;
    ApplyFonts();
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The window's width stays fixed, and it is never shorter than at start:
    // where the suggestion rounds otherwise, its client area is put right.
    const Size client = ClientSize(handle_);
    const Size fitted{metrics_.startClient.width, std::max(client.height, metrics_.startClient.height)};
    if (fitted != client) SetClientAreaSize(handle_, fitted.width, fitted.height);
    FixSizeLimits();
    PlaceChildren(ClientSize(handle_));

    ListBox1.SetTopIndex(topRow);
    if (focus != nullptr && (focus == handle_ || IsChild(handle_, focus))) SetFocus(focus);
    InvalidateRect(handle_, nullptr, TRUE);
}

}  // namespace app::window
