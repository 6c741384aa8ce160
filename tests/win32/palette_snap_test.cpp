// Snapping the palette to a channel depth from the operations menu: a range
// alone, or every entry when there is no range, each time as one undo step.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

void ShiftClick(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    SendMessageA(palette::Grid(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT,
                 MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    program::Pump();
}

class PaletteSnap : public palette::PaletteTest {};

TEST_F(PaletteSnap, TheRangeOrElseEveryEntrySnapsInOneUndoStep)
{
    OpenPicture(WritePicture("snap.bmp", 4, 2, 8, 24, palette::DistinctTable(24)));
    ShowPalette();
    const ColorTable& working = paletteWindow.WorkingTable();
    const ColorTable before(working);
    struct Case {
        const char* name;
        int command;
        int bits;
        int clickColumn;   // -1: nothing clicked
        int rangeColumn;   // -1: no Shift+click, so no range
        uint32_t first;    // the entries that snap
        uint32_t last;
    };
    // Row 0 holds entries 0 to 11.
    const Case cases[] = {
        {"nothing selected", ID_PALETTE_SNAP_4_BITS, 4, -1, -1, 0, 23},
        {"one entry selected", ID_PALETTE_SNAP_3_BITS, 3, 4, -1, 0, 23},
        {"a range", ID_PALETTE_SNAP_5_BITS, 5, 2, 9, 2, 9},
        {"a range backwards", ID_PALETTE_SNAP_6_BITS, 6, 10, 7, 7, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.clickColumn >= 0) palette::Click(c.clickColumn, 0);
        if (c.rangeColumn >= 0) ShiftClick(c.rangeColumn, 0);
        ColorTable expected(before);
        ASSERT_TRUE(expected.SnapToDepth(c.bits, c.first, c.last));
        uint32_t changed = 0;
        for (uint32_t i = c.first; i <= c.last; ++i) changed += expected.GetPackedColor(i) != before.GetPackedColor(i);
        ASSERT_GT(changed, 0u) << "the table must hold colors finer than the depth";

        ASSERT_TRUE(palette::ItemEnabled(c.command));
        palette::Command(c.command);
        ASSERT_EQ(before.GetCount(), working.GetCount());
        for (uint32_t i = 0; i < working.GetCount(); ++i)
            EXPECT_EQ(expected.GetPackedColor(i), working.GetPackedColor(i)) << i;
        EXPECT_TRUE(paletteWindow.IsModified());
        EXPECT_EQ(palette::Screen(working.GetPackedColor(c.first)), palette::SquareColor(int(c.first), 0));

        palette::Command(ID_PALETTE_UNDO);
        for (uint32_t i = 0; i < working.GetCount(); ++i)
            EXPECT_EQ(before.GetPackedColor(i), working.GetPackedColor(i)) << i;
        EXPECT_FALSE(paletteWindow.IsModified());
    }
}

// An empty table has nothing to snap: the items are greyed and the command
// leaves everything as it was.
TEST_F(PaletteSnap, AnEmptyTableHasNothingToSnap)
{
    ShowPalette();
    ASSERT_EQ(0u, paletteWindow.WorkingTable().GetCount());
    for (int id : {ID_PALETTE_SNAP_3_BITS, ID_PALETTE_SNAP_4_BITS, ID_PALETTE_SNAP_5_BITS, ID_PALETTE_SNAP_6_BITS})
        EXPECT_FALSE(palette::ItemEnabled(id)) << id;
    palette::Command(ID_PALETTE_SNAP_5_BITS);
    EXPECT_FALSE(paletteWindow.IsModified());
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
}

}  // namespace
