// The grid's tooltip: while the mouse rests on a cell of an open picture's
// palette, the entry's number, its color and how many pixels use it.
#include "palette/palette_window.h"

#include <string>

#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "palette/color_text.h"
#include "resources/resource.h"

void PaletteWindow::CreateGridTooltip(HWND dialog)
{
    HWND grid = GetDlgItem(dialog, IDC_PALETTE_GRID);
    gridTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                              instanceHandle, nullptr);
    if (!gridTip) return;
    // Without a width the tip stays one line whatever line breaks it holds.
    SendMessageA(gridTip, TTM_SETMAXTIPWIDTH, 0, 400);
    // Once a tip shows, the next cell's follows the pointer at once: a
    // palette is browsed cell after cell.
    SendMessageA(gridTip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
    // One tool a visible cell, so that moving to another cell shows its own text.
    for (int32_t r = 0; r < layout.rows; ++r) {
        for (int32_t c = 0; c < layout.columns; ++c) {
            TOOLINFOA tool;
            ZeroMemory(&tool, sizeof tool);
            // The size every version of the control takes.
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.hwnd = grid;
            tool.uId = UINT_PTR(r * layout.columns + c);
            tool.rect = layout.CellRect(c, r);
            tool.lpszText = LPSTR_TEXTCALLBACKA;
            SendMessageA(gridTip, TTM_ADDTOOLA, 0, LPARAM(&tool));
        }
    }
}

void PaletteWindow::RelayGridMouse(HWND grid, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!gridTip) return;
    MSG relayed;
    ZeroMemory(&relayed, sizeof relayed);
    relayed.hwnd = grid;
    relayed.message = message;
    relayed.wParam = wParam;
    relayed.lParam = lParam;
    relayed.time = DWORD(GetMessageTime());
    DWORD position = GetMessagePos();
    relayed.pt.x = short(LOWORD(position));
    relayed.pt.y = short(HIWORD(position));
    SendMessageA(gridTip, TTM_RELAYEVENT, 0, LPARAM(&relayed));
}

std::string PaletteWindow::EntryTipText(uint32_t entry) const
{
    const ColorEntry* e = workingTable.GetEntry(entry);
    std::string text = LoadText(IDS_PALETTE_TIP_ENTRY) + std::to_string(entry) + "\r\n" + ColorAsText(e->red, e->green, e->blue) +
                       "  R " + std::to_string(e->red) + "  G " + std::to_string(e->green) + "  B " +
                       std::to_string(e->blue);
    // A picture without a table has no counts to give.
    const std::vector<uint64_t>& usage = workingUsage;
    if (!usage.empty()) {
        const uint64_t pixels = entry < usage.size() ? usage[entry] : 0;
        text += "\r\n" + (pixels ? std::to_string(pixels) + LoadText(IDS_PALETTE_TIP_PIXELS) : LoadText(IDS_PALETTE_TIP_UNUSED));
    }
    return text;
}

void PaletteWindow::OnGridTipText(NMTTDISPINFOA* info)
{
    const uint32_t cell = uint32_t(info->hdr.idFrom);
    const uint32_t columns = uint32_t(layout.columns);
    const uint32_t entry = (uint32_t(topRow) + cell / columns) * columns + cell % columns;
    // An empty text shows no tip: no picture, or a cell without an entry.
    tipText.clear();
    if (!bitmapDocument.IsEmpty() && entry < workingTable.GetCount()) tipText = EntryTipText(entry);
    info->lpszText = const_cast<char*>(tipText.c_str());
}
