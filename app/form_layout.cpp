#include "app/form_layout.h"

#include <algorithm>

namespace app {
namespace {

struct Span {
    int low;
    int high;
};

// One axis of ScaleAnchoredRect. A side that is not anchored follows from the
// other side and the scaled length; an axis anchored at neither end keeps its
// distance to the low side, as AnchoredRect does.
Span ScaleSpan(Span design, int designExtent, bool lowAnchored, bool highAnchored, int dpi) {
    const int extent = ScaleToDpi(designExtent, dpi);
    const int length = ScaleToDpi(design.high - design.low, dpi);
    if (highAnchored && !lowAnchored) {
        const int high = extent - ScaleToDpi(designExtent - design.high, dpi);
        return {high - length, high};
    }
    const int low = ScaleToDpi(design.low, dpi);
    if (highAnchored) return {low, extent - ScaleToDpi(designExtent - design.high, dpi)};
    return {low, low + length};
}

}  // namespace

Rect ScaleAnchoredRect(const Rect& design, Size designParent, unsigned anchors, int dpi) {
    const Span x = ScaleSpan({design.left, design.right}, designParent.width, (anchors & kAnchorLeft) != 0,
                             (anchors & kAnchorRight) != 0, dpi);
    const Span y = ScaleSpan({design.top, design.bottom}, designParent.height, (anchors & kAnchorTop) != 0,
                             (anchors & kAnchorBottom) != 0, dpi);
    return {x.low, y.low, x.high, y.high};
}

ChildRects LayoutChildren(int dpi, Size client) {
    using namespace design;
    ChildRects rects;
    rects.panel = AnchoredRect(ScaleAnchoredRect(kPanel2, kClient, kPanel2Anchors, dpi), ScaleToDpi(kClient, dpi),
                               client, kPanel2Anchors);
    const Size panelClient{rects.panel.Width(), rects.panel.Height()};
    const Size scaledPanelClient = ScaleToDpi(kPanel2Client, dpi);
    rects.list = AnchoredRect(ScaleAnchoredRect(kListBox1, kPanel2Client, kListBox1Anchors, dpi), scaledPanelClient,
                              panelClient, kListBox1Anchors);
    rects.button = AnchoredRect(ScaleAnchoredRect(kUploadButton, kPanel2Client, kUploadButtonAnchors, dpi),
                                scaledPanelClient, panelClient, kUploadButtonAnchors);
    // The button is as wide as the list (FormActivate sees to it as well); both
    // start at the same scaled left edge, so only the rounding of the list's
    // two anchored sides could otherwise set them a pixel apart.
    rects.button.right = rects.button.left + rects.list.Width();
    return rects;
}

ScaledMetrics MetricsForDpi(int dpi) {
    using namespace design;
    return {ScaleToDpi(kClient, dpi),         ScaleToDpi(kStartClient, dpi),      ScaleToDpi(kFormFontHeight, dpi),
            ScaleToDpi(kListFontHeight, dpi), ScaleToDpi(kButtonFontHeight, dpi), ScaleToDpi(kRowHeight, dpi),
            ScaleToDpi(kRowTextIndent, dpi),  ScaleToDpi(kFocusLineWidth, dpi),   ScaleToDpi(kBevelWidth, dpi),
            ScaleToDpi(kSnapDistance, dpi)};
}

SizeLimits SizeLimitsForDpi(int dpi, Size outerNow, Size clientNow) {
    const Size outer = OuterSizeForClient(outerNow, clientNow, ScaleToDpi(design::kStartClient, dpi));
    return {outer.width, outer.width, outer.height};
}

SizeLimits WithinWorkArea(const SizeLimits& limits, Size workArea) {
    if (workArea.width <= 0 || workArea.height <= 0) return limits;
    return {std::min(limits.minWidth, workArea.width), std::min(limits.maxWidth, workArea.width),
            std::min(limits.minHeight, workArea.height)};
}

Rect SnapForDpi(const Rect& window, const Rect& workArea, int dpi) {
    return SnapToWorkArea(window, workArea, ScaleToDpi(kSnapDistance, dpi));
}

}  // namespace app
