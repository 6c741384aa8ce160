// Showing where the palette window's selected entries are used in the picture:
// drawn through faded display colors, never through the picture's own table.
#include "document/bitmap_document.h"

#include <vector>

#include "app/globals.h"
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

bool BitmapDocument::FadeUnselected(std::vector<RGBQUAD>* colors) const
{
    uint32_t first, last;
    if (!SelectedEntries(&first, &last)) return false;
    for (uint32_t i = 0; i < colors->size(); ++i) {
        // The selection is of the working table, where a rearrangement may have moved the entry.
        const uint32_t shown = paletteWindow.WorkingEntryOf(i);
        if (shown >= first && shown <= last) continue;
        RGBQUAD& color = (*colors)[i];
        color.rgbRed = Faded(color.rgbRed);
        color.rgbGreen = Faded(color.rgbGreen);
        color.rgbBlue = Faded(color.rgbBlue);
    }
    return true;
}
