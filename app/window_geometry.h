#pragma once
// The window's geometry decisions in plain numbers: anchored child placement,
// snapping to the work area, and the start-up placement.

namespace app {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

enum Anchor : unsigned { kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8 };
inline constexpr unsigned kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;

// A child's rectangle in a parent of `parent` size, given its design rectangle
// in a parent of `designParent` size: an anchored side keeps its distance to
// the same side of the parent; a side pair anchored at both ends stretches.
Rect AnchoredRect(const Rect& design, Size designParent, Size parent, unsigned anchors);

// Edges closer than this to the same edge of the work area snap onto it.
inline constexpr int kSnapDistance = 10;

// The window moved (same size) so that each edge within `distance` (below it)
// of the same edge of the work area lies on that edge. Left and top win over
// right and bottom when both are near.
Rect SnapToWorkArea(const Rect& window, const Rect& workArea, int distance = kSnapDistance);

// The start-up position: centred horizontally, a quarter of the free height
// below the top; both divisions truncate toward zero.
Point StartPosition(Size screen, Size window);

// The window made to fit the work area: no larger than it on either axis, and
// moved onto it by the least distance where it stands partly outside, so its
// caption can be taken hold of. A window that lies within the work area stays
// exactly as it is. An empty work area (no answer from the system) changes nothing.
Rect FitIntoWorkArea(const Rect& window, const Rect& workArea);

// The outer size that gives a client area of `client`: the frame, caption and
// menu bar (outer minus client now) stay outside it.
Size OuterSizeForClient(Size outerNow, Size clientNow, Size client);

}  // namespace app
