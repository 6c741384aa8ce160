#include "app/picture_pick.h"

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"

namespace {

// The entry a click at the point would select: only with the palette window
// shown and an entry of its table under the point.
bool PickableEntry(int x, int y, uint32_t* entry)
{
    if (!paletteWindow.IsVisible() || !bitmapDocument.EntryAt(x, y, entry)) return false;
    // A rearrangement waiting for Apply has moved the pixel's color elsewhere.
    *entry = paletteWindow.WorkingEntryOf(*entry);
    return *entry < paletteWindow.WorkingTable().GetCount();
}

}  // namespace

void PickFromPicture(int x, int y)
{
    uint32_t entry;
    if (PickableEntry(x, y, &entry)) paletteWindow.SelectEntry(entry);
}

bool SetPickCursor(HWND window)
{
    POINT point;
    uint32_t entry;
    if (!GetCursorPos(&point) || !ScreenToClient(window, &point) || !PickableEntry(point.x, point.y, &entry))
        return false;
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));  // IDC_CROSS
    return true;
}

void OnHighlightKey(UINT message, WPARAM key)
{
    if (key == kHighlightKey) bitmapDocument.HoldHighlight(message == WM_KEYDOWN);
}
