// TForm1: drawing the list rows and scrolling the list with the mouse wheel.
#include "app/window/form1.h"

#include "app/row_paint.h"
#include "app/wheel_scroll.h"
#include "app/window/display_theme.h"
#include "platform/win32/wide.h"

namespace app::window {
namespace {

// What the list control prepares before the row handler runs: the list's font
// and the row's text colour (black, highlight-coloured on a selected row; the
// system's colours in high contrast).
void PrepareRowCanvas(HDC dc, HFONT font, const RowPaint& paint) {
    SelectObject(dc, font);
    SetTextColor(dc, ToColorRef(paint.text));
}

// The dotted focus rectangle, `width` lines thick from the rectangle's edge
// inwards. Each line is drawn by inverting, once, so the lines do not cancel.
void DrawFocusLines(HDC dc, RECT rect, int width) {
    for (int line = 0; line < width && rect.right > rect.left && rect.bottom > rect.top; ++line) {
        DrawFocusRect(dc, &rect);
        InflateRect(&rect, -1, -1);
    }
}

}  // namespace

void TForm1::ListBox1DrawItem(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    // An empty list still shows where the focus is.
    if (item.itemID == static_cast<UINT>(-1)) {
        FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOW));
        if (focused) DrawFocusLines(dc, rect, metrics_.focusLineWidth);
        return;
    }
    const int index = static_cast<int>(item.itemID);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int savedState = SaveDC(dc);
    const RowPaint paint = RowPaintFor(highContrast_, selected, index);
    PrepareRowCanvas(dc, listFont_.get(), paint);

    // Every action (whole row, selection, focus) redraws the whole row, so the
    // focus rectangle, which is drawn by inverting, appears exactly once.
    const COLORREF background = ToColorRef(paint.background);
    SetBkColor(dc, background);
    const BrushHandle brush(CreateSolidBrush(background));
    FillRect(dc, &rect, brush.get());
    const std::wstring text = platform::win32::ToWchar(ListBox1.Text(index));
    ExtTextOutW(dc, rect.left + metrics_.rowTextIndent, rect.top, ETO_OPAQUE | ETO_CLIPPED, &rect, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (focused) DrawFocusLines(dc, rect, metrics_.focusLineWidth);
    RestoreDC(dc, savedState);
}

bool TForm1::FormMouseWheel(int wheelDelta, POINT mousePosition) {
    // The list's own scroll bar belongs to the list's window.
    if (ListBox1.Handle() == nullptr || WindowFromPoint(mousePosition) != ListBox1.Handle()) return false;
    UINT linesPerNotch = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
    const int visibleRows = VisibleRows(ListBox1.ClientHeight(), metrics_.rowHeight);
    const int currentTop = ListBox1.TopIndex();
    const int newTop = WheelTopIndex(currentTop, wheelDelta, WheelScrollRows(linesPerNotch, visibleRows),
                                     ListBox1.Count(), visibleRows);
    if (newTop != currentTop) ListBox1.SetTopIndex(newTop);
    return true;
}

}  // namespace app::window
