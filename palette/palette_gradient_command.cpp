// The gradient of the operations menu: the selected range recolored as an
// even ramp between its end colors, in one undo step.
#include "palette/palette_window.h"

void PaletteWindow::FillRangeGradient(GradientSpace space)
{
    uint32_t first, last;
    if (!CanFillGradient() || !SelectedRange(&first, &last)) {
        MessageBeep(MB_OK);
        return;
    }
    BeginStep();
    FillGradient(workingTable, first, last, space);
    modified = 1;
    RefreshGrid();
    EndStep();
}
