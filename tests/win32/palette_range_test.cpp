// Ranges in the palette grid as a user makes them: Shift+click and Shift with
// the arrow keys, the frame across rows, copying them and the gradient that
// fills them; a plain click still selects one cell.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;

std::string RangeNow()
{
    uint32_t first, last;
    if (!paletteWindow.SelectedRange(&first, &last)) return "none";
    return std::to_string(first) + "-" + std::to_string(last);
}

void ShiftClick(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    SendMessageA(palette::Grid(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT,
                 MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    program::Pump();
}

void ShiftKey(UINT key, int times = 1)
{
    for (int i = 0; i < times; ++i) program::PressKey(key, false, true);
}

// Whether the range's frame runs along the left, top or right side of a cell.
bool Framed(int column, int row, char side)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    int x = side == 'L' ? cell.left : side == 'R' ? cell.right - 1 : cell.left + 11;
    int y = side == 'T' ? cell.top : cell.top + 11;
    return palette::GridPixel(x, y) == GetSysColor(COLOR_HIGHLIGHT);
}

class PaletteRange : public palette::PaletteTest {
protected:
    void OpenTable(const std::string& table)
    {
        OpenPicture(WritePicture("range.bmp", 4, 2, 8, uint32_t(table.size() / 4), table));
        ShowPalette();
    }
};

TEST_F(PaletteRange, ShiftMakesAFramedRangeThatCopiesWholeAndAPlainClickDropsIt)
{
    OpenTable(palette::DistinctTable(256));
    palette::Click(5, 0);
    ShiftClick(6, 2);
    EXPECT_EQ("5-30", RangeNow());
    EXPECT_EQ(DistinctColor(5), RGB(colorPanel->red, colorPanel->green, colorPanel->blue));
    // One outline over three rows, none between the cells inside it.
    EXPECT_TRUE(Framed(5, 0, 'L') && Framed(11, 0, 'T') && Framed(0, 1, 'L') && Framed(4, 1, 'T') &&
                Framed(6, 2, 'R'));
    EXPECT_FALSE(Framed(5, 1, 'T') || Framed(6, 1, 'L'));
    EXPECT_EQ(palette::Frame::Flat, palette::FrameOf(7, 2));

    palette::Command(ID_PALETTE_COPY);
    std::string lines;
    for (uint32_t entry = 5; entry <= 30; ++entry) {
        char line[16];
        COLORREF c = DistinctColor(entry);
        wsprintfA(line, "#%02X%02X%02X\r\n", GetRValue(c), GetGValue(c), GetBValue(c));
        lines += line;
    }
    EXPECT_EQ(lines, palette::ClipboardText());

    palette::Click(9, 3);
    EXPECT_EQ("45-45", RangeNow());
    EXPECT_EQ(DistinctColor(45), RGB(colorPanel->red, colorPanel->green, colorPanel->blue));
    EXPECT_EQ(palette::Frame::Sunken, palette::FrameOf(9, 3));
    EXPECT_EQ(palette::Frame::Flat, palette::FrameOf(5, 0));
    EXPECT_FALSE(Framed(0, 1, 'L'));

    palette::FocusGrid();
    ShiftKey(VK_LEFT, 2);
    EXPECT_EQ("43-45", RangeNow());
    ShiftKey(VK_UP, 4);  // 31, 19, 7, then the first entry, where it stops
    EXPECT_EQ("0-45", RangeNow());
    ShiftKey(VK_DOWN, 10);  // to entry 120, row 10: the view follows
    EXPECT_EQ("45-120", RangeNow());
    EXPECT_EQ(3, paletteWindow.TopRow());
    EXPECT_TRUE(Framed(0, 7, 'R'));
    // The bare keys keep their own meaning.
    program::PressKey(VK_UP);
    program::PressKey(VK_LEFT);
    EXPECT_EQ(2, paletteWindow.TopRow());
    EXPECT_EQ("45-120", RangeNow());

    palette::Click(9, 1);  // the selected cell again: no selection, no range
    EXPECT_EQ("none", RangeNow());
    EXPECT_EQ(palette::Frame::Raised, palette::FrameOf(9, 1));
    ShiftKey(VK_DOWN);
    EXPECT_EQ(3, paletteWindow.TopRow()) << "with nothing selected Shift+Down scrolls";
}

TEST_F(PaletteRange, GradientFillsTheRangeEvenlyInOneUndoStep)
{
    std::string table = palette::DistinctTable(24);
    table.replace(2 * 4, 4, std::string("\0\0\0\0", 4));
    table.replace(8 * 4, 4, std::string("\xFF\xFF\xFF\0", 4));
    OpenTable(table);
    const ColorTable& working = paletteWindow.WorkingTable();
    const ColorTable before(working);
    auto unchangedBut = [&](uint32_t first, uint32_t last) {
        for (uint32_t i = 0; i < before.GetCount(); ++i) {
            if (i >= first && i <= last) continue;
            EXPECT_EQ(before.GetPackedColor(i), working.GetPackedColor(i)) << i;
        }
    };

    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_GRADIENT_RGB));
    palette::Click(2, 0);
    ShiftClick(3, 0);
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_GRADIENT_OKLAB)) << "two entries, nothing between";
    ShiftClick(8, 0);
    ASSERT_TRUE(palette::ItemEnabled(ID_PALETTE_GRADIENT_RGB));

    // Black to white: grays each within half a step of the straight line.
    palette::Command(ID_PALETTE_GRADIENT_RGB);
    EXPECT_TRUE(paletteWindow.IsModified());
    unchangedBut(3, 7);
    for (uint32_t i = 3; i <= 7; ++i) {
        const ColorEntry* e = working.GetEntry(i);
        EXPECT_TRUE(e->red == e->green && e->green == e->blue) << i;
        EXPECT_LE(std::abs(2 * 6 * e->red - 2 * 255 * int(i - 2)), 6) << i;
    }
    EXPECT_EQ(palette::Screen(working.GetPackedColor(5)), palette::SquareColor(5, 0));

    palette::Command(ID_PALETTE_UNDO);
    unchangedBut(1, 0);  // every entry
    EXPECT_FALSE(paletteWindow.IsModified());
    EXPECT_EQ(DistinctColor(5), palette::SquareColor(5, 0));

    // In OKLab the grays rise evenly to the eye: darker than the straight line.
    palette::Command(ID_PALETTE_GRADIENT_OKLAB);
    unchangedBut(3, 7);
    for (uint32_t i = 3; i <= 8; ++i) EXPECT_GT(working.GetEntry(i)->green, working.GetEntry(i - 1)->green) << i;
    EXPECT_LT(working.GetEntry(5)->red, 120);
}

}  // namespace
