// Ranges in the palette grid as a user makes them: Shift+click and Shift with
// the arrow keys, the frame that shows them, copying them, and the gradient
// of the operations menu filling them; a plain click still selects one cell.
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
using palette::Frame;
using palette::FrameOf;

struct Range {
    bool selected;
    uint32_t first;
    uint32_t last;
};

Range RangeNow()
{
    Range range = {false, 0, 0};
    range.selected = paletteWindow.SelectedRange(&range.first, &range.last);
    return range;
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

// Whether the range frame runs along a side of a visible cell.
bool FramedLeft(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    return palette::GridPixel(cell.left, cell.top + 11) == GetSysColor(COLOR_HIGHLIGHT);
}

bool FramedTop(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    return palette::GridPixel(cell.left + 11, cell.top) == GetSysColor(COLOR_HIGHLIGHT);
}

bool FramedRight(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    return palette::GridPixel(cell.right - 1, cell.top + 11) == GetSysColor(COLOR_HIGHLIGHT);
}

std::string ColorLine(COLORREF color)
{
    char text[16];
    wsprintfA(text, "#%02X%02X%02X\r\n", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

class PaletteRange : public palette::PaletteTest {
protected:
    void OpenTable(uint32_t count, const std::string& table)
    {
        OpenPicture(WritePicture("range.bmp", 4, 2, 8, count, table));
        ShowPalette();
    }
};

TEST_F(PaletteRange, ShiftClickFramesTheRangeAcrossRowsCopiesItAndAPlainClickDropsIt)
{
    OpenTable(60, palette::DistinctTable(60));
    palette::Click(5, 0);
    ShiftClick(6, 2);  // entry 30
    Range range = RangeNow();
    ASSERT_TRUE(range.selected);
    EXPECT_EQ(5u, range.first);
    EXPECT_EQ(30u, range.last);
    EXPECT_EQ(DistinctColor(5), RGB(colorPanel->red, colorPanel->green, colorPanel->blue));

    // One outline: the first row from column 5, the whole second row, the
    // third up to column 6; no line between cells inside it.
    EXPECT_TRUE(FramedLeft(5, 0));
    EXPECT_TRUE(FramedTop(11, 0));
    EXPECT_TRUE(FramedLeft(0, 1));
    EXPECT_TRUE(FramedTop(4, 1));
    EXPECT_FALSE(FramedTop(5, 1));
    EXPECT_FALSE(FramedLeft(6, 1));
    EXPECT_TRUE(FramedRight(6, 2));
    EXPECT_EQ(Frame::Flat, FrameOf(7, 2));
    EXPECT_EQ(Frame::Flat, FrameOf(4, 0));

    palette::Command(ID_PALETTE_COPY);
    std::string expected;
    for (uint32_t entry = 5; entry <= 30; ++entry) expected += ColorLine(DistinctColor(entry));
    EXPECT_EQ(expected, palette::ClipboardText());

    // Shift+click backwards from the same selected entry.
    ShiftClick(3, 0);
    range = RangeNow();
    EXPECT_EQ(3u, range.first);
    EXPECT_EQ(5u, range.last);

    palette::Click(9, 3);
    range = RangeNow();
    EXPECT_EQ(45u, range.first);
    EXPECT_EQ(45u, range.last);
    EXPECT_EQ(DistinctColor(45), RGB(colorPanel->red, colorPanel->green, colorPanel->blue));
    EXPECT_EQ(Frame::Sunken, FrameOf(9, 3));
    EXPECT_EQ(Frame::Flat, FrameOf(3, 0));
    EXPECT_FALSE(FramedLeft(3, 0));
    palette::Command(ID_PALETTE_COPY);
    EXPECT_EQ(ColorLine(DistinctColor(45)), palette::ClipboardText() + "\r\n");

    // A second plain click still drops the selection.
    palette::Click(9, 3);
    EXPECT_FALSE(RangeNow().selected);
    EXPECT_EQ(Frame::Raised, FrameOf(9, 3));
}

TEST_F(PaletteRange, ShiftArrowsStretchTheRangeAndScrollItsEndIntoView)
{
    OpenTable(256, palette::DistinctTable(256));
    palette::FocusGrid();
    ShiftKey(VK_DOWN);  // nothing selected: the bare key's scrolling
    EXPECT_EQ(1, paletteWindow.TopRow());
    EXPECT_FALSE(RangeNow().selected);
    palette::Scroll(SB_TOP);

    palette::Click(5, 0);
    palette::FocusGrid();
    ShiftKey(VK_RIGHT, 2);
    Range range = RangeNow();
    EXPECT_EQ(5u, range.first);
    EXPECT_EQ(7u, range.last);
    ShiftKey(VK_DOWN);
    EXPECT_EQ(19u, RangeNow().last);
    ShiftKey(VK_UP, 3);  // past the first entry: it stops there
    range = RangeNow();
    EXPECT_EQ(0u, range.first);
    EXPECT_EQ(5u, range.last);
    EXPECT_TRUE(FramedLeft(0, 0));

    ShiftKey(VK_DOWN, 9);  // from entry 0 to 108, row 9: one row below the view
    range = RangeNow();
    EXPECT_EQ(5u, range.first);
    EXPECT_EQ(108u, range.last);
    EXPECT_EQ(2, paletteWindow.TopRow());
    EXPECT_TRUE(FramedRight(0, 7));
    EXPECT_EQ(Frame::Flat, FrameOf(1, 7));
    // The bare arrows keep their own meaning and leave the range.
    program::PressKey(VK_UP);
    EXPECT_EQ(1, paletteWindow.TopRow());
    program::PressKey(VK_RIGHT);
    EXPECT_EQ(108u, RangeNow().last);
}

// Each channel within half a step of the straight line between the ends.
void ExpectRgbRamp(const ColorTable& table, uint32_t first, uint32_t last)
{
    const ColorEntry from = *table.GetEntry(first);
    const ColorEntry to = *table.GetEntry(last);
    const int steps = int(last - first);
    for (int step = 0; step <= steps; ++step) {
        const ColorEntry e = *table.GetEntry(first + uint32_t(step));
        const int channels[3][3] = {{from.red, to.red, e.red}, {from.green, to.green, e.green},
                                    {from.blue, to.blue, e.blue}};
        for (const auto& c : channels)
            EXPECT_LE(std::abs(2 * steps * c[2] - 2 * (c[0] * (steps - step) + c[1] * step)), steps)
                << "entry " << first + uint32_t(step);
    }
}

TEST_F(PaletteRange, GradientThroughTheMenuFillsTheRangeAsOneUndoStep)
{
    std::string table = palette::DistinctTable(24);
    // Entries 2 and 8 black and white, 12 red and 20 blue.
    table.replace(2 * 4, 4, std::string("\0\0\0\0", 4));
    table.replace(8 * 4, 4, std::string("\xFF\xFF\xFF\0", 4));
    table.replace(12 * 4, 4, std::string("\0\0\xFF\0", 4));
    table.replace(20 * 4, 4, std::string("\xFF\0\0\0", 4));
    OpenTable(24, table);
    ColorTable before(paletteWindow.WorkingTable());

    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_GRADIENT_RGB));
    palette::Click(0, 1);
    ShiftClick(1, 1);
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_GRADIENT_RGB)) << "two entries have nothing between";
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_GRADIENT_OKLAB));
    ShiftClick(8, 1);  // entries 12 to 20
    EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_GRADIENT_RGB));
    EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_GRADIENT_OKLAB));

    palette::Command(ID_PALETTE_GRADIENT_RGB);
    const ColorTable& working = paletteWindow.WorkingTable();
    EXPECT_TRUE(paletteWindow.IsModified());
    EXPECT_EQ(before.GetPackedColor(12), working.GetPackedColor(12));
    EXPECT_EQ(before.GetPackedColor(20), working.GetPackedColor(20));
    ExpectRgbRamp(working, 12, 20);
    EXPECT_EQ(before.GetPackedColor(11), working.GetPackedColor(11));
    EXPECT_EQ(before.GetPackedColor(21), working.GetPackedColor(21));
    EXPECT_EQ(palette::Screen(working.GetPackedColor(16)), palette::SquareColor(4, 1));

    palette::Command(ID_PALETTE_UNDO);
    for (uint32_t i = 0; i < before.GetCount(); ++i)
        EXPECT_EQ(before.GetPackedColor(i), working.GetPackedColor(i)) << "entry " << i;
    EXPECT_FALSE(paletteWindow.IsModified());
    EXPECT_EQ(palette::Screen(before.GetPackedColor(16)), palette::SquareColor(4, 1));

    // Black to white in OKLab: grays, rising, darker in the middle than the
    // straight RGB line, which is lighter to the eye.
    palette::Click(2, 0);
    ShiftClick(8, 0);
    palette::Command(ID_PALETTE_GRADIENT_OKLAB);
    EXPECT_EQ(before.GetPackedColor(2), working.GetPackedColor(2));
    EXPECT_EQ(before.GetPackedColor(8), working.GetPackedColor(8));
    for (uint32_t i = 3; i <= 8; ++i) {
        const ColorEntry* e = working.GetEntry(i);
        EXPECT_TRUE(e->red == e->green && e->green == e->blue) << "entry " << i;
        EXPECT_GT(e->red, working.GetEntry(i - 1)->red) << "entry " << i;
    }
    EXPECT_LT(working.GetEntry(5)->red, 120);
    palette::Command(ID_PALETTE_UNDO);
    EXPECT_EQ(before.GetPackedColor(5), working.GetPackedColor(5));
}

}  // namespace
