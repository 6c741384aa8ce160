// The palette grid: the static control that shows the working table as cells,
// follows the mouse with a raised frame and marks the selection sunken.
#include "app/gdi_scope.h"
#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

namespace {

WNDPROC previousGridProcedure = nullptr;
GridCell hoverCell = {0, 0};

HPEN SystemColorPen(int systemColor)
{
    return CreatePen(PS_SOLID, 1, GetSysColor(systemColor));
}

}  // namespace

LRESULT CALLBACK PaletteGridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paletteWindow.PaintGrid(grid);
        return 0;
    case WM_MOUSEMOVE:
        paletteWindow.RelayGridMouse(grid, message, wParam, lParam);
        paletteWindow.OnGridMouseMove(grid, short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONDOWN:
        paletteWindow.RelayGridMouse(grid, message, wParam, lParam);
        paletteWindow.OnGridClick(grid, short(LOWORD(lParam)), short(HIWORD(lParam)), (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        paletteWindow.RelayGridMouse(grid, message, wParam, lParam);
        return CallWindowProcA(previousGridProcedure, grid, message, wParam, lParam);
    // The tooltip asks the grid, its tools' window, for each cell's text.
    case WM_NOTIFYFORMAT:
        return NFR_ANSI;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOA)
            paletteWindow.OnGridTipText(reinterpret_cast<NMTTDISPINFOA*>(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_COMMAND:
        PostMessageA(paletteWindow.Hwnd(), message, wParam, lParam);
        return 0;
    default:
        return CallWindowProcA(previousGridProcedure, grid, message, wParam, lParam);
    }
}

void InstallGridProcedure(HWND grid)
{
    previousGridProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(grid, GWLP_WNDPROC, LONG_PTR(PaletteGridProc)));
}

void RemoveGridProcedure(HWND grid)
{
    if (previousGridProcedure) SetWindowLongPtrA(grid, GWLP_WNDPROC, LONG_PTR(previousGridProcedure));
}

void PaletteWindow::DrawCellFrame(HDC dc, int32_t column, int32_t row, int mode) const
{
    if (column < 0 || row < 0) return;
    RECT cell = layout.CellRect(column, row);
    if (mode == 0) {
        FrameRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    bool sunken = mode == 1;
    {
        SelectedObject first(dc, SystemColorPen(sunken ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT),
                             SelectedObject::Owned);
        MoveToEx(dc, cell.left, cell.bottom - 2, nullptr);
        LineTo(dc, cell.left, cell.top);
        LineTo(dc, cell.right - 1, cell.top);
    }
    SelectedObject second(dc, SystemColorPen(sunken ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW),
                          SelectedObject::Owned);
    LineTo(dc, cell.right - 1, cell.bottom - 1);
    LineTo(dc, cell.left - 1, cell.bottom - 1);
}

void PaletteWindow::DrawRowLabels(HDC dc) const
{
    SelectedObject font(dc, labelFont, SelectedObject::Borrowed);
    SetBkMode(dc, TRANSPARENT);
    RECT labels = layout.LabelRect();
    FillRect(dc, &labels, GetSysColorBrush(COLOR_BTNFACE));
    for (int32_t i = 0; i < layout.rows; ++i) {
        char text[16];
        wsprintfA(text, "%d", int((topRow + i) * layout.columns));
        RECT line = labels;
        line.bottom = layout.LabelBottom(i);
        DrawTextA(dc, text, -1, &line, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
    }
}

void PaletteWindow::RefreshGrid()
{
    HWND grid = GetDlgItem(Hwnd(), IDC_PALETTE_GRID);
    InvalidateRect(grid, nullptr, FALSE);
    UpdateWindow(grid);
    DrawRowLabels(WindowDC(Hwnd()));
    bitmapDocument.LiveColorsChanged(false);
}

void PaletteWindow::PaintGrid(HWND grid)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(grid, &paint);
    // Margins and the ring inside each frame are always the button face.
    RECT client;
    GetClientRect(grid, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    for (int32_t r = 0; r < layout.rows; ++r) {
        for (int32_t c = 0; c < layout.columns; ++c) {
            DrawCellFrame(dc, c, r, 0);
            uint32_t entry = uint32_t((topRow + r) * layout.columns + c);
            RECT square = layout.ColorRect(c, r);
            if (entry < workingTable.GetCount()) {
                FillRect(dc, &square, SolidBrush(workingTable.GetPackedColor(entry)));
                DrawUsageMark(dc, c, r, entry);
            } else {
                FillRect(dc, &square, GetSysColorBrush(COLOR_BTNFACE));
            }
        }
    }
    if (selected && selectedRow >= topRow && selectedRow < topRow + layout.rows)
        DrawCellFrame(dc, selectedColumn, selectedRow - topRow, 1);
    DrawRangeFrame(dc);
    EndPaint(grid, &paint);
}

bool PaletteWindow::IsRealEntry(const GridCell& cell) const
{
    uint32_t entry = uint32_t((topRow + cell.row) * layout.columns + cell.column);
    return entry < workingTable.GetCount();
}

void PaletteWindow::OnGridMouseMove(HWND grid, int x, int y)
{
    GridCell cell;
    bool hit = layout.HitTest(x, y, &cell);
    if (selected) return;
    WindowDC dc(grid);
    DrawCellFrame(dc, hoverCell.column, hoverCell.row, 0);
    if (hit && IsRealEntry(cell)) {
        DrawCellFrame(dc, cell.column, cell.row, 2);
        hoverCell = cell;
    }
}

void PaletteWindow::OnGridClick(HWND grid, int x, int y, bool extend)
{
    GridCell cell;
    if (!layout.HitTest(x, y, &cell) || !IsRealEntry(cell)) return;
    if (RangeClick(grid, uint32_t((topRow + cell.row) * layout.columns + cell.column), extend)) return;
    WindowDC dc(grid);
    if (selected && cell.column == selectedColumn && cell.row == selectedRow - topRow) {
        DrawCellFrame(dc, cell.column, cell.row, 2);
        selected = 0;
    } else {
        DrawCellFrame(dc, selectedColumn, selectedRow - topRow, 0);
        DrawCellFrame(dc, cell.column, cell.row, 1);
        selectedColumn = cell.column;
        selectedRow = topRow + cell.row;
        selected = 1;
        colorPanel->SetCurrentColor(
            workingTable.GetPackedColor(uint32_t(selectedRow * layout.columns + selectedColumn)));
    }
    bitmapDocument.HighlightSelectionChanged();
}
