// TForm1: drawing the list rows and scrolling the list with the mouse wheel.
#include "app/window/form1.h"

#include "app/row_colours.h"
#include "app/wheel_scroll.h"
#include "platform/win32/wide.h"

namespace app::window {
namespace {

COLORREF ToColorRef(RgbColour colour) { return RGB(colour.red, colour.green, colour.blue); }

// What the list control prepares before the row handler runs: the list's font,
// black text, highlight-coloured text on a selected row.
void PrepareRowCanvas(HDC dc, HFONT font, bool selected) {
    SelectObject(dc, font);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
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
    PrepareRowCanvas(dc, listFont_.get(), selected);

    // Every action (whole row, selection, focus) redraws the whole row, so the
    // focus rectangle, which is drawn by inverting, appears exactly once.
    const COLORREF background = ToColorRef(RowColour(selected, index));
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
