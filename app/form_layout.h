#pragma once
// The main window's layout: its numbers in design pixels (96 DPI), and what
// they become at a display's resolution. Every length goes through ScaleToDpi
// (dpi_scale.h), so at 96 DPI the window is exactly as designed.

#include "app/dpi_scale.h"
#include "app/window_geometry.h"

namespace app {

// The design, in pixels at 96 DPI.
namespace design {
inline constexpr Size kClient{368, 454};                         // the client area as designed
inline constexpr Size kStartClient{368, 457};                    // the client area FormCreate sets
inline constexpr Rect kPanel2{4, 4, 4 + 358, 4 + 444};           // in kClient
inline constexpr Size kPanel2Client{358, 444};                   // the panel has no border
inline constexpr Rect kListBox1{8, 7, 8 + 343, 7 + 381};         // in kPanel2Client
inline constexpr Rect kUploadButton{8, 394, 8 + 343, 394 + 40};  // in kPanel2Client
inline constexpr unsigned kPanel2Anchors = kAnchorAll;
inline constexpr unsigned kListBox1Anchors = kAnchorAll;
inline constexpr unsigned kUploadButtonAnchors = kAnchorLeft | kAnchorBottom;
// Character heights of Arial (the cell minus its internal leading).
inline constexpr int kFormFontHeight = 16;
inline constexpr int kListFontHeight = 15;    // bold
inline constexpr int kButtonFontHeight = 21;  // bold
// The list's owner-drawn rows: fixed height, text indent, focus line width.
inline constexpr int kRowHeight = 20;
inline constexpr int kRowTextIndent = 4;
inline constexpr int kFocusLineWidth = 1;
// Panel2's raised outer and lowered inner bevel, each this wide.
inline constexpr int kBevelWidth = 1;
}  // namespace design

// A child's design rectangle in its parent's design size, scaled to `dpi`: the
// distances to its anchored sides and the lengths of its free spans are what
// scale, so an anchored side keeps its scaled distance to the parent's side and
// a child anchored at both ends of an axis fills what the scaled parent leaves.
// The result lies in a parent of ScaleToDpi(designParent, dpi).
Rect ScaleAnchoredRect(const Rect& design, Size designParent, unsigned anchors, int dpi);

// Where the children are at `dpi` when the form's client area is `client`.
struct ChildRects {
    Rect panel;   // in the form's client area
    Rect list;    // in the panel's client area
    Rect button;  // in the panel's client area; as wide as the list
};
ChildRects LayoutChildren(int dpi, Size client);

// Everything else of the layout at one resolution, in device pixels.
struct ScaledMetrics {
    Size designClient;
    Size startClient;
    int formFontHeight;
    int listFontHeight;
    int buttonFontHeight;
    int rowHeight;
    int rowTextIndent;
    int focusLineWidth;
    int bevelWidth;
    int snapDistance;
};
ScaledMetrics MetricsForDpi(int dpi);

// The window's size limits at `dpi`: exactly as wide, and at least as tall, as
// the window whose client area is the start client area. The frame, caption
// and menu bar are measured from the window as it is (outer minus client).
struct SizeLimits {
    int minWidth;
    int maxWidth;
    int minHeight;
    friend constexpr bool operator==(const SizeLimits&, const SizeLimits&) = default;
};
SizeLimits SizeLimitsForDpi(int dpi, Size outerNow, Size clientNow);

// The size limits on a work area of `workArea`: no limit asks for more than
// it, so the window can always be made to fit. Limits that fit stay as they are.
SizeLimits WithinWorkArea(const SizeLimits& limits, Size workArea);

// The window's rectangle after a move, snapped to the work area within the
// scaled snap distance.
Rect SnapForDpi(const Rect& window, const Rect& workArea, int dpi);

}  // namespace app
