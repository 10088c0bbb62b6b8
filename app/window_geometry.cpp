#include "app/window_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace app {
namespace {

struct Span {
    int low;
    int high;
};

// One axis of AnchoredRect: `lowAnchored` keeps the distance to the parent's
// low side, `highAnchored` to its high side.
Span AnchoredSpan(Span design, int designExtent, int extent, bool lowAnchored, bool highAnchored) {
    const int growth = extent - designExtent;
    if (lowAnchored && highAnchored) return {design.low, design.high + growth};
    if (highAnchored) return {design.low + growth, design.high + growth};
    return design;
}

}  // namespace

Rect AnchoredRect(const Rect& design, Size designParent, Size parent, unsigned anchors) {
    const Span x = AnchoredSpan({design.left, design.right}, designParent.width, parent.width,
                                (anchors & kAnchorLeft) != 0, (anchors & kAnchorRight) != 0);
    const Span y = AnchoredSpan({design.top, design.bottom}, designParent.height, parent.height,
                                (anchors & kAnchorTop) != 0, (anchors & kAnchorBottom) != 0);
    return {x.low, y.low, x.high, y.high};
}

Rect SnapToWorkArea(const Rect& window, const Rect& workArea, int distance) {
    int left = window.left;
    int top = window.top;
    if (std::abs(window.right - workArea.right) < distance) left = workArea.right - window.Width();
    if (std::abs(window.left - workArea.left) < distance) left = workArea.left;
    if (std::abs(window.bottom - workArea.bottom) < distance) top = workArea.bottom - window.Height();
    if (std::abs(window.top - workArea.top) < distance) top = workArea.top;
    return {left, top, left + window.Width(), top + window.Height()};
}

Point StartPosition(Size screen, Size window) {
    return {(screen.width - window.width) / 2, (screen.height - window.height) / 4};
}

Rect FitIntoWorkArea(const Rect& window, const Rect& workArea) {
    if (workArea.Width() <= 0 || workArea.Height() <= 0) return window;
    const int width = std::min(window.Width(), workArea.Width());
    const int height = std::min(window.Height(), workArea.Height());
    const int left = std::clamp(window.left, workArea.left, workArea.right - width);
    const int top = std::clamp(window.top, workArea.top, workArea.bottom - height);
    return {left, top, left + width, top + height};
}

Size OuterSizeForClient(Size outerNow, Size clientNow, Size client) {
    return {client.width + (outerNow.width - clientNow.width), client.height + (outerNow.height - clientNow.height)};
}

}  // namespace app
