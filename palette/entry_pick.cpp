// Selecting an entry from outside the grid, as picking it from the picture does.
#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

void PaletteWindow::SelectEntry(uint32_t entry)
{
    if (!Hwnd() || entry >= workingTable.GetCount()) return;
    const int32_t row = int32_t(entry / uint32_t(layout.columns));
    // The least scrolling that shows the row.
    if (row < topRow) topRow = row;
    if (row >= topRow + layout.rows) topRow = row - layout.rows + 1;
    SetScrollPos(GetDlgItem(Hwnd(), IDC_PALETTE_SCROLL), SB_CTL, topRow, TRUE);
    selectedColumn = int32_t(entry % uint32_t(layout.columns));
    selectedRow = row;
    selected = 1;
    // The whole grid: the old selection and any hover frame go with it.
    RefreshGrid();
    colorPanel->SetCurrentColor(workingTable.GetPackedColor(entry));
    bitmapDocument.HighlightSelectionChanged();
}
