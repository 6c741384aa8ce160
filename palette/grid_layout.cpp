#include "palette/grid_layout.h"

namespace {

RECT MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    RECT rect;
    rect.left = left;
    rect.top = top;
    rect.right = right;
    rect.bottom = bottom;
    return rect;
}

// The window's frame, caption and menu bar, as fixed numbers.
const int32_t kFrameWidth = 6;
const int32_t kFrameHeight = 44;

}  // namespace

GridLayout::GridLayout()
    : outerMargin(10), innerMargin(5), cellGap(0), colorSquare(16), cellInset(3), columns(12),
      rows(8), scrollBarWidth(16), labelColumnWidth(28), labelGap(5), gridBorder(1)
{
}

void GridLayout::CellOrigin(int32_t column, int32_t row, int32_t* x, int32_t* y) const
{
    *x = innerMargin + column * (CellPitch() + cellGap);
    *y = innerMargin + row * (CellPitch() + cellGap);
}

RECT GridLayout::CellRect(int32_t column, int32_t row) const
{
    int32_t x, y;
    CellOrigin(column, row, &x, &y);
    return MakeRect(x, y, x + CellPitch(), y + CellPitch());
}

RECT GridLayout::ColorRect(int32_t column, int32_t row) const
{
    int32_t x, y;
    CellOrigin(column, row, &x, &y);
    return MakeRect(x + cellInset, y + cellInset, x + cellInset + colorSquare,
                    y + cellInset + colorSquare);
}

RECT GridLayout::LabelRect() const
{
    return MakeRect(outerMargin, outerMargin, labelColumnWidth + outerMargin - labelGap,
                    (rows - 1) * cellGap + outerMargin + rows * CellPitch() +
                        2 * (gridBorder + innerMargin));
}

int32_t GridLayout::LabelBottom(int32_t row) const
{
    return outerMargin + gridBorder + innerMargin + (row + 1) * (CellPitch() + cellGap);
}

bool GridLayout::HitTest(int32_t x, int32_t y, GridCell* cell) const
{
    if (x - innerMargin < 0 || y - innerMargin < 0) return false;
    cell->column = (x - innerMargin) / CellPitch();
    cell->row = (y - innerMargin) / CellPitch();
    return cell->column < columns && cell->row < rows;
}

GridPlacement GridLayout::Placement() const
{
    const int32_t width = columns * CellPitch() + 2 * (innerMargin + gridBorder) + (columns - 1) * cellGap;
    const int32_t height = rows * CellPitch() + 2 * (innerMargin + gridBorder) + (rows - 1) * cellGap;
    const int32_t gridLeft = outerMargin + labelColumnWidth;
    GridPlacement placement;
    placement.grid = MakeRect(gridLeft, outerMargin, gridLeft + width, outerMargin + height);
    placement.scrollBar = MakeRect(gridLeft + width, outerMargin, gridLeft + width + scrollBarWidth,
                                   outerMargin + height);
    placement.windowWidth = scrollBarWidth + 2 * outerMargin + width + labelColumnWidth + kFrameWidth;
    placement.windowHeight = height + 2 * outerMargin + kFrameHeight;
    return placement;
}
