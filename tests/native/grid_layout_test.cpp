#include <gtest/gtest.h>

#include "palette/grid_layout.h"

namespace {

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG right, LONG bottom, const char* what)
{
    EXPECT_EQ(left, rect.left) << what;
    EXPECT_EQ(top, rect.top) << what;
    EXPECT_EQ(right, rect.right) << what;
    EXPECT_EQ(bottom, rect.bottom) << what;
}

TEST(GridLayout, CellsAreTwentyTwoPixelsApart)
{
    GridLayout layout;
    EXPECT_EQ(22, layout.CellPitch());
    ExpectRect(layout.CellRect(0, 0), 5, 5, 27, 27, "first cell");
    ExpectRect(layout.ColorRect(0, 0), 8, 8, 24, 24, "first color square");
    ExpectRect(layout.CellRect(11, 7), 247, 159, 269, 181, "last cell");
    ExpectRect(layout.ColorRect(11, 7), 250, 162, 266, 178, "last color square");
}

TEST(GridLayout, LabelsSitLeftOfTheGridOnEachRowsBottomLine)
{
    GridLayout layout;
    ExpectRect(layout.LabelRect(), 10, 10, 33, 198, "label column");
    EXPECT_EQ(38, layout.LabelBottom(0));
    EXPECT_EQ(38 + 22 * 7, layout.LabelBottom(7));
}

TEST(GridLayout, HitTestFindsTheCellUnderThePoint)
{
    GridLayout layout;
    struct Case { int32_t x, y; bool hit; int32_t column, row; } cases[] = {
        {5, 5, true, 0, 0},     {26, 26, true, 0, 0},   {27, 5, true, 1, 0},
        {48, 48, true, 1, 1},   {268, 180, true, 11, 7}, {269, 5, false, 12, 0},
        {5, 181, false, 0, 8},  {4, 10, false, -1, -1}, {10, 4, false, -1, -1},
    };
    for (const Case& c : cases) {
        GridCell cell = {-1, -1};
        EXPECT_EQ(c.hit, layout.HitTest(c.x, c.y, &cell)) << c.x << "," << c.y;
        EXPECT_EQ(c.column, cell.column) << c.x << "," << c.y;
        EXPECT_EQ(c.row, cell.row) << c.x << "," << c.y;
    }
}

TEST(GridLayout, PlacementSizesGridScrollBarAndWindow)
{
    GridPlacement placement = GridLayout().Placement();
    ExpectRect(placement.grid, 38, 10, 38 + 276, 10 + 188, "grid control");
    ExpectRect(placement.scrollBar, 314, 10, 314 + 16, 10 + 188, "scroll bar");
    EXPECT_EQ(346, placement.windowWidth);
    EXPECT_EQ(252, placement.windowHeight);
}

}  // namespace
