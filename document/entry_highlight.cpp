// Showing where the palette window's selected entries are used in the picture:
// drawn through a faded copy of the table, never through the picture's own.
#include "document/bitmap_document.h"

#include <vector>

#include "app/globals.h"
#include "palette/color_table.h"
#include "palette/palette_window.h"

namespace {

// The gray the other entries fade toward, three quarters of the way.
const int kFadeGray = 128;

uint8_t Faded(uint8_t channel)
{
    return uint8_t((channel + 3 * kFadeGray) / 4);
}

bool SelectedEntries(uint32_t* first, uint32_t* last)
{
    return paletteWindow.SelectedRange(first, last);
}

}  // namespace

bool BitmapDocument::HighlightShown() const
{
    return (highlightHeld || highlightToggled) && ownerWindow && !IsEmpty() && !viewOptions.showHeader;
}

void BitmapDocument::HoldHighlight(bool held)
{
    bool before = HighlightShown();
    highlightHeld = held;
    if (HighlightShown() != before) Redraw(false);
}

void BitmapDocument::ToggleHighlight()
{
    bool before = HighlightShown();
    highlightToggled = !highlightToggled;
    if (HighlightShown() != before) Redraw(false);
}

void BitmapDocument::HighlightSelectionChanged()
{
    if (HighlightShown()) Redraw(false);
}

bool BitmapDocument::PaintHighlighted(HDC dc) const
{
    uint32_t first, last;
    RECT place;
    ColorTable table;
    if (!SelectedEntries(&first, &last) || !PictureRect(&place) || !CopyColorTable(table)) return false;
    const uint32_t count = table.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        // The selection is of the working table, where a rearrangement may have moved the entry.
        const uint32_t shown = paletteWindow.WorkingEntryOf(i);
        if (shown >= first && shown <= last) continue;
        const ColorEntry* e = table.GetEntry(i);
        table.SetColor(i, Faded(e->red), Faded(e->green), Faded(e->blue));
    }
    std::vector<RGBQUAD> colors(count);
    WriteColors(table, colors.data(), count);
    DrawStretchedWithColors(dc, place.left, place.top, place.right - place.left, place.bottom - place.top,
                            colors.data(), count, SRCCOPY);
    return true;
}
