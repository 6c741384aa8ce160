// The zoomed view's arithmetic: steps, the pixel under a point, the point
// kept under the pointer, scroll ranges, bars and the visible part.
#include <gtest/gtest.h>

#include "image/view_geometry.h"

namespace {

TEST(ViewGeometry, ZoomStepsGoInWholeStepsAndReduceOnlyWhenAllowed)
{
    struct Case {
        int32_t factor;
        int direction;
        bool reductions;
        int32_t next;
    };
    const Case cases[] = {
        {1, 1, false, 2},   {2, 1, false, 3},    {4, 1, false, 6},   {24, 1, false, 32}, {32, 1, false, 32},
        {2, -1, false, 1},  {1, -1, false, 1},   {1, -1, true, -2},  {-2, -1, true, -4}, {-16, -1, true, -16},
        {-4, 1, true, -2},  {-2, 1, true, 1},    {-8, 1, false, 1},  {-8, -1, false, 1}, {5, 1, false, 2},
        {0, -1, true, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + " direction " + std::to_string(c.direction));
        EXPECT_EQ(c.next, NextZoomFactor(c.factor, c.direction, c.reductions));
        EXPECT_TRUE(IsZoomFactor(c.next));
    }
    EXPECT_FALSE(IsZoomFactor(0));
    EXPECT_FALSE(IsZoomFactor(-1));
    EXPECT_FALSE(IsZoomFactor(5));
    EXPECT_FALSE(IsZoomFactor(64));
}

TEST(ViewGeometry, ExtentsAndPixelsUnderAPointFollowTheFactor)
{
    struct Case {
        int32_t factor;
        int64_t extent, scaled;
        int64_t view, pixel;
    };
    const Case cases[] = {
        {1, 640, 640, 639, 639}, {4, 10, 40, 39, 9},  {4, 10, 40, 40, 10}, {3, 7, 21, 5, 1},
        {4, 10, 40, -1, -1},     {4, 10, 40, -4, -1}, {4, 10, 40, -5, -2}, {-2, 9, 5, 4, 8},
        {-16, 8192, 512, 511, 8176}, {-4, 1, 1, 0, 0}, {32, 8192, 262144, 262143, 8191},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + " at " + std::to_string(c.view));
        EXPECT_EQ(c.scaled, ScaledExtent(c.extent, c.factor));
        EXPECT_EQ(c.pixel, PictureCoordinate(c.view, c.factor));
    }
}

TEST(ViewGeometry, ZoomKeepsThePointUnderThePointer)
{
    struct Case {
        int64_t scroll, anchor;
        int32_t from, to;
        int64_t extent, page, scroll2;
    };
    const Case cases[] = {
        {0, 10, 1, 4, 100, 200, 30},      // pixel 10 stays under client 10
        {0, 13, 1, 4, 100, 200, 39},      // 52 - 13: pixel 13's left edge
        {30, 10, 4, 1, 100, 200, 0},      // back out: everything fits
        {0, 100, 1, 2, 1000, 200, 100},
        {100, 100, 2, 1, 1000, 200, 0},
        {0, 199, 1, 32, 100, 200, 3000},  // clamped: 3200 - 200
        {500, 0, 1, -2, 4000, 300, 250},
        {-50, 0, 1, 2, 100, 50, 0},       // never before the picture
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) + " at " + std::to_string(c.anchor));
        const int64_t scroll = ScrollKeepingPoint(c.scroll, c.anchor, c.from, c.to, c.extent, c.page);
        EXPECT_EQ(c.scroll2, scroll);
        EXPECT_EQ(scroll, ClampScroll(scroll, ScaledExtent(c.extent, c.to), c.page));
    }
    // Unclamped, the pixel under the anchor is the same before and after.
    for (int32_t to : {2, 3, 4, 6, 8, 12, 16, 24, 32}) {
        const int64_t before = PictureCoordinate(0 + 77, 1);
        const int64_t scroll = ScrollKeepingPoint(0, 77, 1, to, 100000, 500);
        EXPECT_EQ(before, PictureCoordinate(scroll + 77, to)) << to;
    }
}

TEST(ViewGeometry, ScrollBarsAppearOnlyWhereTheContentOverflows)
{
    struct Case {
        int64_t width, height, areaWidth, areaHeight;
        bool horizontal, vertical;
    };
    const Case cases[] = {
        {100, 100, 200, 200, false, false}, {300, 100, 200, 200, true, false},
        {300, 195, 200, 200, true, true},   // the horizontal bar leaves 184 rows
        {195, 300, 200, 200, true, true},   {184, 300, 200, 200, false, true},
        {200, 200, 200, 200, false, false}, {201, 201, 200, 200, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const ScrollBarsNeeded bars = BarsFor(c.width, c.height, c.areaWidth, c.areaHeight, 16, 16);
        EXPECT_EQ(c.horizontal, bars.horizontal);
        EXPECT_EQ(c.vertical, bars.vertical);
    }
    EXPECT_EQ(0, ClampScroll(5, 100, 200));
    EXPECT_EQ(0, ClampScroll(-5, 300, 200));
    EXPECT_EQ(100, ClampScroll(150, 300, 200));
    EXPECT_EQ(42, ClampScroll(42, 300, 200));
}

TEST(ViewGeometry, VisiblePartCoversThePageAndNoMore)
{
    struct Case {
        int64_t scroll, page, extent;
        int32_t factor;
        int64_t first, count, start;
    };
    const Case cases[] = {
        {0, 200, 100, 1, 0, 100, 0},      {50, 200, 1000, 1, 50, 200, 0},
        {6, 20, 100, 4, 1, 6, -2},        {0, 40, 10, 4, 0, 10, 0},
        {39, 1, 10, 4, 9, 1, -3},         {10, 100, 8192, -16, 160, 1600, 0},
        {0, 300, 9, -2, 0, 9, 0},         {0, 0, 100, 4, 0, 0, 0},
        {8191 * 32, 500, 8192, 32, 8191, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + " from " + std::to_string(c.scroll));
        const VisibleRun run = VisiblePart(c.scroll, c.page, c.extent, c.factor);
        EXPECT_EQ(c.first, run.first);
        EXPECT_EQ(c.count, run.count);
        EXPECT_EQ(c.start, run.start);
    }
}

}  // namespace
