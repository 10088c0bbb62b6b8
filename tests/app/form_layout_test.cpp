#include "app/form_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

using namespace app;

namespace {

TEST(DpiScale, RoundsAsMulDiv) {
    const struct {
        const char* name;
        int length;
        int dpi;
        int expected;
    } cases[] = {
        {"96 DPI keeps every length", 457, 96, 457},
        {"96 DPI keeps zero", 0, 96, 0},
        {"exact at 144", 20, 144, 30},
        {"half rounds up at 120", 10, 120, 13},
        {"three quarters rounds up at 120", 7, 120, 9},  // 8.75
        {"a quarter rounds down at 120", 1, 120, 1},     // 1.25
        {"half at 144", 1, 144, 2},                      // 1.5
        {"three quarters at 168", 1, 168, 2},            // 1.75
        {"a quarter at 168", 7, 168, 12},                // 12.25
        {"half rounds away from zero when negative", -10, 120, -13},
        {"negative below half", -1, 120, -1},
        {"double at 192", 457, 192, 914},
        {"no answer from the system counts as 96", 454, 0, 454},
        {"negative dpi counts as 96", 454, -120, 454},
        // The product (192e9) is past 32 bits; the result fits again.
        {"the product does not overflow", 1000000000, 192, 2000000000},
        {"the product does not overflow below half", 1000000001, 120, 1250000001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScaleToDpi(c.length, c.dpi), c.expected);
    }
}

TEST(DpiScale, ScaleSizeScalesEachSide) {
    EXPECT_EQ(ScaleToDpi(Size{368, 454}, 120), (Size{460, 568}));
    EXPECT_EQ(ScaleToDpi(Size{368, 454}, 96), (Size{368, 454}));
}

// The layout at the start client area of each resolution, worked out by hand
// from the design (panel 4,4 358x444 in 368x454; list 8,7 343x381 and button
// 8,394 343x40 in the panel) with half-up rounding of each anchored distance.
struct DpiCase {
    const char* name;
    int dpi;
    Size designClient;
    Size startClient;
    Rect panel;   // in the client area
    Rect list;    // in the panel
    Rect button;  // in the panel
    int formFont, listFont, buttonFont;
    int rowHeight, textIndent, lineWidth, snap;
};

const DpiCase kDpiCases[] = {
    {"dpi96",
     96,
     {368, 454},
     {368, 457},
     {4, 4, 362, 451},
     {8, 7, 351, 391},
     {8, 397, 351, 437},
     16,
     15,
     21,
     20,
     4,
     1,
     10},
    {"dpi120",
     120,
     {460, 568},
     {460, 571},
     {5, 5, 452, 563},
     {10, 9, 438, 488},
     {10, 495, 438, 545},
     20,
     19,
     26,
     25,
     5,
     1,
     13},
    {"dpi144",
     144,
     {552, 681},
     {552, 686},
     {6, 6, 543, 677},
     {12, 11, 526, 587},
     {12, 596, 526, 656},
     24,
     23,
     32,
     30,
     6,
     2,
     15},
    {"dpi168",
     168,
     {644, 795},
     {644, 800},
     {7, 7, 633, 789},
     {14, 12, 614, 684},
     {14, 694, 614, 764},
     28,
     26,
     37,
     35,
     7,
     2,
     18},
    {"dpi192",
     192,
     {736, 908},
     {736, 914},
     {8, 8, 724, 902},
     {16, 14, 702, 782},
     {16, 794, 702, 874},
     32,
     30,
     42,
     40,
     8,
     2,
     20},
};

void PrintTo(const DpiCase& row, std::ostream* out) { *out << row.name; }

class FormLayoutAtDpi : public testing::TestWithParam<DpiCase> {};

TEST_P(FormLayoutAtDpi, Metrics) {
    const DpiCase& c = GetParam();
    const ScaledMetrics m = MetricsForDpi(c.dpi);
    EXPECT_EQ(m.designClient, c.designClient);
    EXPECT_EQ(m.startClient, c.startClient);
    EXPECT_EQ(m.formFontHeight, c.formFont);
    EXPECT_EQ(m.listFontHeight, c.listFont);
    EXPECT_EQ(m.buttonFontHeight, c.buttonFont);
    EXPECT_EQ(m.rowHeight, c.rowHeight);
    EXPECT_EQ(m.rowTextIndent, c.textIndent);
    EXPECT_EQ(m.focusLineWidth, c.lineWidth);
    EXPECT_EQ(m.bevelWidth, c.lineWidth);
    EXPECT_EQ(m.snapDistance, c.snap);
}

TEST_P(FormLayoutAtDpi, ChildrenAtTheStartClientArea) {
    const DpiCase& c = GetParam();
    const ChildRects rects = LayoutChildren(c.dpi, c.startClient);
    EXPECT_EQ(rects.panel, c.panel);
    EXPECT_EQ(rects.list, c.list);
    EXPECT_EQ(rects.button, c.button);
    EXPECT_EQ(rects.button.Width(), rects.list.Width()) << "the button is as wide as the list";
    // The button's gap to the panel's bottom and the snap distance are both 10 at design.
    EXPECT_EQ(rects.panel.Height() - rects.button.bottom, c.snap);
}

TEST_P(FormLayoutAtDpi, ChildrenAtTheDesignClientArea) {
    // Laid out for the design client area, the panel's gaps to the client's
    // edges and the button's to the panel's bottom are the scaled design gaps.
    const DpiCase& c = GetParam();
    const ChildRects rects = LayoutChildren(c.dpi, c.designClient);
    EXPECT_EQ(rects.panel.left, ScaleToDpi(4, c.dpi));
    EXPECT_EQ(rects.panel.top, ScaleToDpi(4, c.dpi));
    EXPECT_EQ(c.designClient.width - rects.panel.right, ScaleToDpi(6, c.dpi));
    EXPECT_EQ(c.designClient.height - rects.panel.bottom, ScaleToDpi(6, c.dpi));
    EXPECT_EQ(rects.panel.Height() - rects.button.bottom, ScaleToDpi(10, c.dpi));
    EXPECT_EQ(rects.button.Height(), ScaleToDpi(40, c.dpi));
    EXPECT_EQ(rects.list.top, ScaleToDpi(7, c.dpi));
    EXPECT_EQ(rects.panel.Height() - rects.list.bottom, ScaleToDpi(56, c.dpi));
}

TEST_P(FormLayoutAtDpi, ATallerWindowLengthensTheListAndMovesTheButton) {
    const DpiCase& c = GetParam();
    const ChildRects start = LayoutChildren(c.dpi, c.startClient);
    for (const int growth : {1, 37, 300}) {
        SCOPED_TRACE(growth);
        const ChildRects taller = LayoutChildren(c.dpi, {c.startClient.width, c.startClient.height + growth});
        EXPECT_EQ(taller.panel,
                  (Rect{start.panel.left, start.panel.top, start.panel.right, start.panel.bottom + growth}));
        EXPECT_EQ(taller.list, (Rect{start.list.left, start.list.top, start.list.right, start.list.bottom + growth}));
        EXPECT_EQ(taller.button, (Rect{start.button.left, start.button.top + growth, start.button.right,
                                       start.button.bottom + growth}));
        EXPECT_EQ(taller.panel.Height() - taller.button.bottom, start.panel.Height() - start.button.bottom);
    }
}

TEST_P(FormLayoutAtDpi, SizeLimitsKeepTheStartWidthAndHeight) {
    const DpiCase& c = GetParam();
    // A frame of 16 x 62 pixels around the client area (caption, menu, borders).
    const Size frame{16, 62};
    const Size clientNow{c.startClient.width, c.startClient.height + 40};
    const Size outerNow{clientNow.width + frame.width, clientNow.height + frame.height};
    const SizeLimits limits = SizeLimitsForDpi(c.dpi, outerNow, clientNow);
    EXPECT_EQ(limits, (SizeLimits{c.startClient.width + 16, c.startClient.width + 16, c.startClient.height + 62}));
}

TEST_P(FormLayoutAtDpi, SizeLimitsOnSmallAndLargeWorkAreas) {
    const DpiCase& c = GetParam();
    const SizeLimits start{c.startClient.width + 16, c.startClient.width + 16, c.startClient.height + 62};
    for (const Size work : {Size{1024, 768}, Size{1920, 1032}, Size{2560, 1560}}) {
        SCOPED_TRACE(testing::Message() << work.width << " x " << work.height);
        const int width = std::min(start.minWidth, work.width);
        EXPECT_EQ(WithinWorkArea(start, work), (SizeLimits{width, width, std::min(start.minHeight, work.height)}));
    }
    EXPECT_EQ(WithinWorkArea(start, {0, 0}), start) << "no work area: unchanged";
}

TEST_P(FormLayoutAtDpi, SnapsWithinTheScaledDistance) {
    const DpiCase& c = GetParam();
    const Rect work{0, 0, 1920, 1200};
    const int width = c.startClient.width + 16;
    const int height = c.startClient.height + 62;
    const auto at = [&](int left, int top) { return Rect{left, top, left + width, top + height}; };
    EXPECT_EQ(SnapForDpi(at(c.snap - 1, 300), work, c.dpi), at(0, 300)) << "just inside the distance snaps";
    EXPECT_EQ(SnapForDpi(at(c.snap, 300), work, c.dpi), at(c.snap, 300)) << "at the distance does not";
    EXPECT_EQ(SnapForDpi(at(500, 1200 - height - (c.snap - 1)), work, c.dpi), at(500, 1200 - height));
    EXPECT_EQ(SnapForDpi(at(500, 1200 - height - c.snap), work, c.dpi), at(500, 1200 - height - c.snap));
}

INSTANTIATE_TEST_SUITE_P(Dpi, FormLayoutAtDpi, testing::ValuesIn(kDpiCases),
                         [](const testing::TestParamInfo<DpiCase>& row) { return std::string(row.param.name); });

TEST(ScaleAnchoredRect, EachAnchorKeepsItsScaledDistance) {
    const Size parent{100, 60};
    const Rect design{10, 20, 30, 50};  // gaps: left 10, top 20, right 70, bottom 10; size 20 x 30
    const struct {
        const char* name;
        unsigned anchors;
        int dpi;
        Rect expected;  // in a parent of 125 x 75 at 120 DPI, 150 x 90 at 144
    } cases[] = {
        {"left top: position and size scale", kAnchorLeft | kAnchorTop, 120, {13, 25, 38, 63}},
        {"right bottom: distances to the far sides scale", kAnchorRight | kAnchorBottom, 120, {12, 24, 37, 62}},
        {"all four: the near distances and the far distances", kAnchorAll, 120, {13, 25, 37, 62}},
        {"none: as left top", 0, 120, {13, 25, 38, 63}},
        {"all four at 144", kAnchorAll, 144, {15, 30, 45, 75}},
        {"all four at 96", kAnchorAll, 96, design},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScaleAnchoredRect(design, parent, c.anchors, c.dpi), c.expected);
    }
}

}  // namespace
