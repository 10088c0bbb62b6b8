#include "app/window_geometry.h"

#include <gtest/gtest.h>

using namespace app;

TEST(WindowGeometry, AnchoredRect) {
    const Size design{358, 444};
    const Rect list{8, 7, 351, 388};
    const Rect button{8, 394, 351, 434};
    const struct {
        const char* name;
        Rect rect;
        Size parent;
        unsigned anchors;
        Rect expected;
    } cases[] = {
        {"unchanged parent", list, design, kAnchorAll, list},
        {"taller parent lengthens the list", list, {358, 447}, kAnchorAll, {8, 7, 351, 391}},
        {"taller parent moves the button, keeps its height",
         button,
         {358, 447},
         kAnchorLeft | kAnchorBottom,
         {8, 397, 351, 437}},
        {"button keeps 10 pixels to the bottom", button, {358, 544}, kAnchorLeft | kAnchorBottom, {8, 494, 351, 534}},
        {"wider parent widens the list", list, {368, 444}, kAnchorAll, {8, 7, 361, 388}},
        {"wider parent leaves a left-anchored button", button, {368, 444}, kAnchorLeft | kAnchorBottom, button},
        {"right-anchored only moves", {10, 10, 20, 20}, {368, 444}, kAnchorRight | kAnchorTop, {20, 10, 30, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AnchoredRect(c.rect, design, c.parent, c.anchors), c.expected);
    }
}

TEST(WindowGeometry, SnapToWorkArea) {
    const Rect work{0, 0, 1024, 738};
    const struct {
        const char* name;
        Rect window;
        Rect expected;
    } cases[] = {
        {"far from every edge", {100, 100, 500, 600}, {100, 100, 500, 600}},
        {"9 pixels from the left snaps", {9, 100, 409, 600}, {0, 100, 400, 600}},
        {"10 pixels from the left does not", {10, 100, 410, 600}, {10, 100, 410, 600}},
        {"past the left edge snaps back", {-9, 100, 391, 600}, {0, 100, 400, 600}},
        {"near the right edge", {615, 100, 1015, 600}, {624, 100, 1024, 600}},
        {"near the top", {100, 5, 500, 505}, {100, 0, 500, 500}},
        {"near the bottom of the work area", {100, 230, 500, 730}, {100, 238, 500, 738}},
        {"corner", {3, 233, 403, 733}, {0, 238, 400, 738}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect snapped = SnapToWorkArea(c.window, work);
        EXPECT_EQ(snapped, c.expected);
        EXPECT_EQ(snapped.Width(), c.window.Width());
        EXPECT_EQ(snapped.Height(), c.window.Height());
    }
}

TEST(WindowGeometry, SnapUsesTheWorkAreaNotTheScreen) {
    const Rect work{0, 30, 1024, 768};  // a bar at the top
    EXPECT_EQ(SnapToWorkArea({100, 35, 500, 535}, work), (Rect{100, 30, 500, 530}));
}

TEST(WindowGeometry, StartPositionTruncates) {
    EXPECT_EQ(StartPosition({1024, 768}, {384, 521}), (Point{320, 61}));
    EXPECT_EQ(StartPosition({1025, 771}, {384, 520}), (Point{320, 62}));
    // A window larger than the screen: truncation toward zero, not down.
    EXPECT_EQ(StartPosition({300, 300}, {401, 303}), (Point{-50, 0}));
}

TEST(WindowGeometry, OuterSizeForClient) {
    EXPECT_EQ(OuterSizeForClient({384, 516}, {368, 454}, {368, 457}), (Size{384, 519}));
    EXPECT_EQ(OuterSizeForClient({368, 454}, {368, 454}, {100, 100}), (Size{100, 100}));
}

TEST(WindowGeometry, FitIntoWorkArea) {
    const Rect small{0, 0, 1024, 768};
    const Rect second{1920, 100, 3200, 1060};  // a monitor right of the primary
    const struct {
        const char* name;
        Rect window;
        Rect work;
        Rect expected;
    } cases[] = {
        {"fits: left as it is", {320, 61, 704, 580}, small, {320, 61, 704, 580}},
        {"fits exactly", {0, 0, 1024, 768}, small, {0, 0, 1024, 768}},
        {"taller than the screen, placed above it: cut and moved onto it",
         {136, -41, 888, 1014},
         small,
         {136, 0, 888, 768}},
        {"fits in height but its bottom is below: moved up", {136, 10, 888, 778}, small, {136, 0, 888, 768}},
        {"wider than the work area", {-10, 100, 1100, 500}, small, {0, 100, 1024, 500}},
        {"left of the work area: moved right", {-50, 100, 334, 600}, small, {0, 100, 384, 600}},
        {"right of the work area: moved left", {900, 100, 1284, 600}, small, {640, 100, 1024, 600}},
        {"a work area that does not start at 0", {2000, 50, 2400, 1100}, second, {2000, 100, 2400, 1060}},
        {"no work area: unchanged", {136, -41, 888, 1014}, {0, 0, 0, 0}, {136, -41, 888, 1014}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitIntoWorkArea(c.window, c.work), c.expected);
    }
}
