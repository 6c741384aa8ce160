// The view option that marks the entries no pixel of the picture uses: a
// small triangle in the corner of the color square, black or white, whichever
// stands out on the color. The option is kept in a registry value of its own.
#include "palette/palette_window.h"

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/settings_store.h"
#include "document/bitmap_document.h"
#include "resources/resource.h"

namespace {

const char kViewValue[] = "PaletteView";
const int kMarkSize = 6;  // pixels along each side of the triangle

// The stored value: 4 bytes, bit 0 marks unused entries; bit 1 makes
// rearrangements keep the indices instead of the picture.
const uint32_t kMarkUnusedBit = 1;
const uint32_t kKeepIndicesBit = 2;
// Bit 2 shows the working table on the picture as it is edited.
const uint32_t kLivePictureBit = 4;

bool IsUnused(uint32_t entry)
{
    // A picture without a table says nothing about its entries.
    const std::vector<uint64_t>& usage = paletteWindow.WorkingUsage();
    return !usage.empty() && (entry >= usage.size() || usage[entry] == 0);
}

}  // namespace

void PaletteWindow::ReadViewSettings()
{
    uint32_t stored = 0;
    if (settingsStore.ReadValue(kViewValue, &stored, sizeof stored) != ERROR_SUCCESS) stored = 0;
    markUnused = (stored & kMarkUnusedBit) ? 1 : 0;
    keepIndices = (stored & kKeepIndicesBit) != 0;
    livePicture = (stored & kLivePictureBit) ? 1 : 0;
}

void PaletteWindow::WriteViewSettings() const
{
    const uint32_t stored = (markUnused ? kMarkUnusedBit : 0) | (keepIndices ? kKeepIndicesBit : 0) |
                            (livePicture ? kLivePictureBit : 0);
    settingsStore.WriteValue(kViewValue, &stored, sizeof stored);
}

void PaletteWindow::ToggleUnusedMarks()
{
    markUnused = !markUnused;
    SetMenuCheck(GetSubMenu(GetMenu(Hwnd()), 1), ID_PALETTE_MARK_UNUSED, markUnused);
    RefreshGrid();
}

void PaletteWindow::ToggleLivePicture()
{
    livePicture = !livePicture;
    SetMenuCheck(GetSubMenu(GetMenu(Hwnd()), 1), ID_PALETTE_LIVE_PICTURE, livePicture);
    bitmapDocument.LiveColorsChanged(true);
}

void PaletteWindow::UsageChanged()
{
    if (!Hwnd()) return;
    OrderChanged();
    if (gridTip) SendMessageA(gridTip, TTM_POP, 0, 0);
    if (markUnused) RefreshGrid();
}

void PaletteWindow::DrawUsageMark(HDC dc, int32_t column, int32_t row, uint32_t entry) const
{
    if (!markUnused || entry >= workingTable.GetCount() || !IsUnused(entry)) return;
    const ColorEntry* e = workingTable.GetEntry(entry);
    // Rec. 601 luma: a dark mark on a light color, a light one on a dark color.
    const int luma = (299 * e->red + 587 * e->green + 114 * e->blue) / 1000;
    SolidBrush brush(luma >= 128 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    const RECT square = layout.ColorRect(column, row);
    for (int i = 0; i < kMarkSize; ++i) {
        RECT line = {square.left, square.top + i, square.left + kMarkSize - i, square.top + i + 1};
        FillRect(dc, &line, brush);
    }
}
