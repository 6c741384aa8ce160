// Snapping to a channel depth from the operations menu: the selected range,
// or the whole table without one, rounded to what a display with that many
// bits per channel shows, in one undo step.
#include "palette/palette_window.h"

#include "resources/resource.h"

namespace {

bool SameColors(const ColorTable& a, const ColorTable& b, uint32_t first, uint32_t last)
{
    for (uint32_t i = first; i <= last; ++i)
        if (a.GetPackedColor(i) != b.GetPackedColor(i)) return false;
    return true;
}

}  // namespace

void PaletteWindow::SnapTableToDepth(int bits)
{
    const uint32_t count = workingTable.GetCount();
    uint32_t first = 0, last = 0;
    // A single selected entry is no range: the whole table snaps.
    if (!SelectedRange(&first, &last) || first == last) {
        first = 0;
        last = count ? count - 1 : 0;
    }
    ColorTable snapped(workingTable);
    if (count == 0 || snapped.GetCount() != count || !snapped.SnapToDepth(bits, first, last)) {
        MessageBeep(MB_OK);
        return;
    }
    // Colors already at that depth: no step, nothing to mark.
    if (SameColors(snapped, workingTable, first, last)) return;
    BeginStep();
    workingTable.Swap(snapped);
    modified = 1;
    RefreshGrid();
    EndStep();
}

bool PaletteWindow::OnSnapCommand(int id)
{
    switch (id) {
    case ID_PALETTE_SNAP_3_BITS: SnapTableToDepth(3); break;
    case ID_PALETTE_SNAP_4_BITS: SnapTableToDepth(4); break;
    case ID_PALETTE_SNAP_5_BITS: SnapTableToDepth(5); break;
    case ID_PALETTE_SNAP_6_BITS: SnapTableToDepth(6); break;
    default:                     return false;
    }
    return true;
}
