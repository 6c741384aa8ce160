// The fixed geometry of the palette grid: 12 columns by 8 visible rows of
// color cells, row labels at their left, and the palette window around them.
#ifndef KORIN_PALETTE_GRID_LAYOUT_H
#define KORIN_PALETTE_GRID_LAYOUT_H

#include <cstdint>

#include "platform/platform.h"

struct GridCell {
    int32_t column;  // visible column
    int32_t row;     // visible row
};

// Where LayOut puts the grid control, the scroll bar and the window.
struct GridPlacement {
    RECT grid;       // palette-window client coordinates, right/bottom exclusive
    RECT scrollBar;
    int32_t windowWidth;
    int32_t windowHeight;
};

class GridLayout {
public:
    GridLayout();

    int32_t CellPitch() const { return colorSquare + 2 * cellInset; }
    // Top-left of a cell, in grid-control client coordinates.
    void CellOrigin(int32_t column, int32_t row, int32_t* x, int32_t* y) const;
    RECT CellRect(int32_t column, int32_t row) const;
    RECT ColorRect(int32_t column, int32_t row) const;
    // The row labels' rectangle, in palette-window client coordinates.
    RECT LabelRect() const;
    // The bottom of visible row i's label, in palette-window client coordinates.
    int32_t LabelBottom(int32_t row) const;
    // True when (x, y) lies in a visible cell; cell is set whenever both
    // offsets from the inner margin are non-negative.
    bool HitTest(int32_t x, int32_t y, GridCell* cell) const;
    GridPlacement Placement() const;

    const int32_t outerMargin;
    const int32_t innerMargin;
    const int32_t cellGap;
    const int32_t colorSquare;
    const int32_t cellInset;
    const int32_t columns;
    const int32_t rows;
    const int32_t scrollBarWidth;
    const int32_t labelColumnWidth;
    const int32_t labelGap;
    const int32_t gridBorder;
};

#endif
