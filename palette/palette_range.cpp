// Range selection in the palette grid: Shift+click and Shift with the arrow
// keys stretch the selection from the selected entry to another one, and one
// frame around all of its cells shows it across rows.
#include "palette/palette_window.h"

#include <algorithm>

#include "app/globals.h"
#include "document/bitmap_document.h"

namespace {

// The range follows the keys into view.
int32_t RowShowing(int32_t row, int32_t topRow, int32_t rows)
{
    if (row < topRow) return row;
    if (row >= topRow + rows) return row - rows + 1;
    return topRow;
}

}  // namespace

bool PaletteWindow::SelectedRange(uint32_t* first, uint32_t* last) const
{
    uint32_t anchor;
    if (!SelectedEntry(&anchor)) return false;
    // A table from the document may have taken the far end away.
    const uint32_t end = rangeOn && rangeEnd < workingTable.GetCount() ? rangeEnd : anchor;
    *first = std::min(anchor, end);
    *last = std::max(anchor, end);
    return true;
}

bool PaletteWindow::RangeClick(HWND grid, uint32_t entry, bool extend)
{
    uint32_t anchor;
    if (extend && SelectedEntry(&anchor)) {
        rangeOn = entry != anchor;
        rangeEnd = entry;
        RefreshGrid();
        bitmapDocument.HighlightSelectionChanged();
        return true;
    }
    if (rangeOn) {
        // Gone before the click draws its frames on the cells.
        rangeOn = false;
        InvalidateRect(grid, nullptr, FALSE);
        UpdateWindow(grid);
    }
    return false;
}

bool PaletteWindow::OnRangeKey(WPARAM key)
{
    if (GetKeyState(VK_SHIFT) >= 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    int64_t step;
    switch (key) {
    case VK_LEFT:  step = -1; break;
    case VK_RIGHT: step = 1; break;
    case VK_UP:    step = -layout.columns; break;
    case VK_DOWN:  step = layout.columns; break;
    default: return false;
    }
    uint32_t first, last, anchor;
    // Without a selection Shift+Up and Shift+Down scroll as the bare keys do.
    if (!SelectedRange(&first, &last) || !SelectedEntry(&anchor)) return false;
    const int64_t end = int64_t(first == anchor ? last : first) + step;
    rangeEnd = uint32_t(std::min<int64_t>(std::max<int64_t>(end, 0), workingTable.GetCount() - 1));
    rangeOn = rangeEnd != anchor;
    const int32_t row = RowShowing(int32_t(rangeEnd / uint32_t(layout.columns)), topRow, layout.rows);
    if (row != topRow)
        OnVScroll(MAKEWPARAM(SB_THUMBTRACK, row));
    else
        RefreshGrid();
    bitmapDocument.HighlightSelectionChanged();
    return true;
}

void PaletteWindow::DrawRangeFrame(HDC dc) const
{
    uint32_t first, last;
    if (!SelectedRange(&first, &last) || first == last) return;
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    for (int32_t r = 0; r < layout.rows; ++r) {
        for (int32_t c = 0; c < layout.columns; ++c) {
            const int64_t entry = int64_t(topRow + r) * layout.columns + c;
            if (entry < first || entry > last) continue;
            RECT cell = layout.CellRect(c, r);
            HRGN one = CreateRectRgnIndirect(&cell);
            CombineRgn(shape, shape, one, RGN_OR);
            DeleteObject(one);
        }
    }
    // Two pixels inside the cells' outline, over their frames.
    FrameRgn(dc, shape, GetSysColorBrush(COLOR_HIGHLIGHT), 2, 2);
    DeleteObject(shape);
}

bool PaletteWindow::CanFillGradient() const
{
    uint32_t first, last;
    return SelectedRange(&first, &last) && last - first >= 2;
}
