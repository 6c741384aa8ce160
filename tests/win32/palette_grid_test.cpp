// The palette grid as a user sees it: color squares in the table's colors,
// the hover and selection frames, clicks, scrolling by keys and by the scroll
// bar, and the row labels, all read back from the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;
using palette::EntryShown;
using palette::Frame;
using palette::FrameName;
using palette::FrameOf;

const COLORREF kUntold = RGB(1, 2, 3);  // a color no test table holds

// What the panel was last told, as a screen color.
COLORREF PanelColor()
{
    return RGB(colorPanel->red, colorPanel->green, colorPanel->blue);
}

void ForgetPanelColor()
{
    colorPanel->SetCurrentColor(0x02000000u | kUntold);
}

// The top row as the user sees it: the entry in the first cell, over 12.
int TopRowShown()
{
    int entry = EntryShown(0, 0);
    return entry < 0 ? entry : entry / 12;
}

class PaletteGrid : public palette::PaletteTest {
protected:
    // A picture with count entries of a distinct table, opened and with the
    // palette window shown.
    void OpenTable(uint32_t count)
    {
        uint16_t bits = count <= 2 ? 1 : count <= 16 ? 4 : 8;
        OpenPicture(WritePicture("table.bmp", 4, 2, bits, count, palette::DistinctTable(count)));
        ShowPalette();
    }
};

TEST_F(PaletteGrid, SquaresShowTheTableAndEmptyCellsTheButtonFace)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (uint32_t count : {1u, 16u, 100u, 256u}) {
        SCOPED_TRACE(count);
        program::Restart(true);
        OpenTable(count);
        const GridLayout& layout = paletteWindow.Layout();
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 12; ++c) {
                uint32_t entry = uint32_t(r * 12 + c);
                if (entry < count) {
                    RECT cell = layout.CellRect(c, r);
                    EXPECT_EQ(DistinctColor(entry), palette::SquareColor(c, r)) << c << "," << r;
                    EXPECT_EQ(DistinctColor(entry), palette::GridPixel(cell.left + 3, cell.top + 3));
                    EXPECT_EQ(DistinctColor(entry), palette::GridPixel(cell.right - 4, cell.bottom - 4));
                    EXPECT_EQ(face, palette::GridPixel(cell.left + 2, cell.top + 2)) << "ring";
                    EXPECT_EQ(face, palette::GridPixel(cell.right - 3, cell.top + 10)) << "ring";
                    EXPECT_EQ(Frame::Flat, FrameOf(c, r)) << FrameName(FrameOf(c, r));
                } else {
                    EXPECT_TRUE(palette::CellIsPlain(c, r, face)) << c << "," << r;
                }
            }
        }
        // The margins round the cells.
        for (POINT p : {POINT{1, 1}, POINT{4, 90}, POINT{271, 60}, POINT{130, 183}, POINT{272, 184}}) {
            EXPECT_EQ(face, palette::GridPixel(p.x, p.y)) << p.x << "," << p.y;
        }
    }
}

TEST_F(PaletteGrid, EmptyTableShowsOnlyTheButtonFaceAndIgnoresTheMouse)
{
    ShowPalette();
    ForgetPanelColor();
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 12; ++c) {
            ASSERT_TRUE(palette::CellIsPlain(c, r, GetSysColor(COLOR_BTNFACE))) << c << "," << r;
        }
    }
    palette::MoveMouse(0, 0);
    EXPECT_EQ(Frame::Flat, FrameOf(0, 0));
    palette::Click(0, 0);
    EXPECT_EQ(Frame::Flat, FrameOf(0, 0));
    EXPECT_EQ(kUntold, PanelColor());
}

TEST_F(PaletteGrid, RaisedFrameFollowsTheMouseOverRealEntries)
{
    // Frames are told apart by these colors.
    ASSERT_NE(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNHIGHLIGHT));
    ASSERT_NE(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW));
    ASSERT_NE(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    OpenTable(16);
    palette::MoveMouse(2, 0);
    EXPECT_EQ(Frame::Raised, FrameOf(2, 0));
    palette::MoveMouse(3, 1);
    EXPECT_EQ(Frame::Flat, FrameOf(2, 0)) << "the old hover frame is erased";
    EXPECT_EQ(Frame::Raised, FrameOf(3, 1));
    // Entry 17 is past the table: the frame goes and none comes.
    palette::MoveMouse(5, 1);
    EXPECT_EQ(Frame::Flat, FrameOf(3, 1));
    EXPECT_EQ(Frame::Flat, FrameOf(5, 1));
    // The margin is no cell either.
    palette::MoveMouse(0, 0);
    SendMessageA(palette::Grid(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(Frame::Flat, FrameOf(0, 0));
}

TEST_F(PaletteGrid, ClickSelectsSunkenTellsThePanelAndStopsTheHover)
{
    OpenTable(16);
    palette::Click(2, 0);
    EXPECT_EQ(Frame::Sunken, FrameOf(2, 0));
    EXPECT_EQ(DistinctColor(2), PanelColor());

    palette::MoveMouse(4, 0);
    EXPECT_EQ(Frame::Flat, FrameOf(4, 0)) << "no hover frame while a cell is selected";
    EXPECT_EQ(Frame::Sunken, FrameOf(2, 0));

    palette::Click(3, 1);
    EXPECT_EQ(Frame::Flat, FrameOf(2, 0)) << "the old selection frame is erased";
    EXPECT_EQ(Frame::Sunken, FrameOf(3, 1));
    EXPECT_EQ(DistinctColor(15), PanelColor());
}

TEST_F(PaletteGrid, SecondClickDropsTheSelectionAndAThirdSelectsAgain)
{
    OpenTable(16);
    palette::Click(1, 0);
    ASSERT_EQ(Frame::Sunken, FrameOf(1, 0));
    ForgetPanelColor();

    palette::Click(1, 0);
    EXPECT_EQ(Frame::Raised, FrameOf(1, 0));
    EXPECT_EQ(kUntold, PanelColor()) << "dropping the selection tells the panel nothing";
    palette::MoveMouse(6, 0);
    EXPECT_EQ(Frame::Raised, FrameOf(6, 0)) << "the hover frame is back once nothing is selected";

    palette::Click(1, 0);
    EXPECT_EQ(Frame::Sunken, FrameOf(1, 0));
    EXPECT_EQ(DistinctColor(1), PanelColor()) << "the panel is told again";
}

TEST_F(PaletteGrid, CellsPastTheLastEntryNeitherHoverNorSelect)
{
    OpenTable(256);
    palette::FocusGrid();
    program::PressKey(VK_END);
    for (int i = 0; i < 7; ++i) program::PressKey(VK_DOWN);
    ASSERT_EQ(21, TopRowShown());
    // Row 21 holds entries 252 to 255 and eight empty cells.
    for (int c = 0; c < 12; ++c) {
        if (c < 4) {
            EXPECT_EQ(252 + c, EntryShown(c, 0));
        } else {
            EXPECT_TRUE(palette::CellIsPlain(c, 0, GetSysColor(COLOR_BTNFACE))) << c;
        }
    }
    ForgetPanelColor();
    palette::MoveMouse(6, 0);
    palette::Click(5, 0);
    EXPECT_EQ(Frame::Flat, FrameOf(6, 0));
    EXPECT_EQ(Frame::Flat, FrameOf(5, 0));
    EXPECT_EQ(kUntold, PanelColor());

    palette::Click(3, 0);
    EXPECT_EQ(Frame::Sunken, FrameOf(3, 0));
    EXPECT_EQ(DistinctColor(255), PanelColor()) << "the entry of the table row, not of the view row";
}

TEST_F(PaletteGrid, SelectionSurvivesScrollingAndShowsOnlyInView)
{
    OpenTable(256);
    palette::Click(1, 1);
    palette::Scroll(SB_PAGEDOWN);
    ASSERT_EQ(7, TopRowShown());
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(Frame::Flat, FrameOf(1, r)) << "row " << r;
    }
    palette::Scroll(SB_THUMBTRACK, 1);
    ASSERT_EQ(1, TopRowShown());
    EXPECT_EQ(Frame::Sunken, FrameOf(1, 0)) << "table row 1 is now visible row 0";
}

// A selected entry out of view takes the panel's color without painting over the cell now there.
TEST_F(PaletteGrid, ColorSetWhileTheSelectionIsOutOfViewShowsWhenScrolledBack)
{
    OpenTable(256);
    palette::Click(2, 0);
    palette::Scroll(SB_PAGEDOWN);
    paletteWindow.SetSelectedColor(10, 20, 30);  // as the panel's Enter button does
    EXPECT_EQ(7 * 12 + 2, EntryShown(2, 0));
    palette::Scroll(SB_TOP);
    EXPECT_EQ(RGB(10, 20, 30), palette::SquareColor(2, 0));
    EXPECT_EQ(Frame::Sunken, FrameOf(2, 0));
}

// Guards against a color set for the row just below the view painting into the bottom margin.
TEST_F(PaletteGrid, ColorSetForTheRowJustBelowTheViewLeavesTheMarginAlone)
{
    OpenTable(256);
    palette::Scroll(SB_LINEDOWN);
    palette::Click(2, 7);  // table row 8
    palette::Scroll(SB_TOP);
    RECT client;
    GetClientRect(palette::Grid(), &client);
    RECT below = paletteWindow.Layout().ColorRect(2, 8);
    ASSERT_LT(below.top, client.bottom) << "the square would reach into the client area";

    paletteWindow.SetSelectedColor(10, 20, 30);
    for (int y = below.top; y < client.bottom; ++y) {
        for (int x = below.left; x < below.right; ++x) {
            ASSERT_EQ(GetSysColor(COLOR_BTNFACE), palette::GridPixel(x, y)) << x << "," << y;
        }
    }
    palette::Scroll(SB_LINEDOWN);
    EXPECT_EQ(RGB(10, 20, 30), palette::SquareColor(2, 7));
}

// One step of a scrolling walk and where it must leave the grid.
struct ScrollStep {
    const char* what;
    std::function<void()> act;
    int topRow;
    int thumb;
};

void PressTimes(UINT key, int times)
{
    for (int i = 0; i < times; ++i) program::PressKey(key);
}

void Walk(const std::vector<ScrollStep>& steps)
{
    for (const ScrollStep& step : steps) {
        step.act();
        EXPECT_EQ(step.topRow, TopRowShown()) << step.what;
        EXPECT_EQ(step.thumb, GetScrollPos(palette::ScrollBar(), SB_CTL)) << step.what;
    }
}

TEST_F(PaletteGrid, KeysScrollTwentyTwoRowsPastTheLastFullPage)
{
    OpenTable(256);
    palette::FocusGrid();
    ASSERT_EQ(palette::Grid(), GetFocus());
    int low = -1, high = -1;
    GetScrollRange(palette::ScrollBar(), SB_CTL, &low, &high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(21, high);
    Walk({
        {"End", [] { program::PressKey(VK_END); }, 14, 14},
        {"Down", [] { program::PressKey(VK_DOWN); }, 15, 14},
        {"Down to the last row", [] { PressTimes(VK_DOWN, 6); }, 21, 14},
        {"Down at the last row", [] { program::PressKey(VK_DOWN); }, 21, 14},
        {"Home", [] { program::PressKey(VK_HOME); }, 0, 0},
        {"Up at the top", [] { program::PressKey(VK_UP); }, 0, 0},
        {"Page Down", [] { program::PressKey(VK_NEXT); }, 7, 7},
        {"Down", [] { program::PressKey(VK_DOWN); }, 8, 8},
        {"Up", [] { program::PressKey(VK_UP); }, 7, 7},
        {"Left and Right", [] { program::PressKey(VK_LEFT); program::PressKey(VK_RIGHT); }, 7, 7},
        {"Page Down twice", [] { PressTimes(VK_NEXT, 2); }, 21, 14},
        {"Page Up", [] { program::PressKey(VK_PRIOR); }, 14, 14},
        {"Page Up twice", [] { PressTimes(VK_PRIOR, 2); }, 0, 0},
    });
}

TEST_F(PaletteGrid, ScrollBarScrollsTwentyTwoRows)
{
    OpenTable(256);
    Walk({
        {"SB_BOTTOM", [] { palette::Scroll(SB_BOTTOM); }, 14, 14},
        {"SB_LINEDOWN to the last row", [] { for (int i = 0; i < 7; ++i) palette::Scroll(SB_LINEDOWN); }, 21, 14},
        {"SB_LINEDOWN at the last row", [] { palette::Scroll(SB_LINEDOWN); }, 21, 14},
        {"SB_TOP", [] { palette::Scroll(SB_TOP); }, 0, 0},
        {"SB_LINEUP at the top", [] { palette::Scroll(SB_LINEUP); }, 0, 0},
        {"SB_PAGEDOWN", [] { palette::Scroll(SB_PAGEDOWN); }, 7, 7},
        {"SB_PAGEUP", [] { palette::Scroll(SB_PAGEUP); }, 0, 0},
        {"SB_THUMBTRACK", [] { palette::Scroll(SB_THUMBTRACK, 10); }, 10, 10},
        {"SB_THUMBPOSITION is ignored", [] { palette::Scroll(SB_THUMBPOSITION, 3); }, 10, 10},
        {"SB_ENDSCROLL is ignored", [] { palette::Scroll(SB_ENDSCROLL); }, 10, 10},
        {"SB_THUMBTRACK past the end", [] { palette::Scroll(SB_THUMBTRACK, 30); }, 21, 14},
    });
}

TEST_F(PaletteGrid, FiveEntriesNeverScroll)
{
    OpenTable(5);
    palette::FocusGrid();
    Walk({
        {"SB_BOTTOM", [] { palette::Scroll(SB_BOTTOM); }, 0, 0},
        {"SB_LINEDOWN", [] { palette::Scroll(SB_LINEDOWN); }, 0, 0},
        {"SB_PAGEDOWN", [] { palette::Scroll(SB_PAGEDOWN); }, 0, 0},
        {"SB_THUMBTRACK", [] { palette::Scroll(SB_THUMBTRACK, 3); }, 0, 0},
        {"End", [] { program::PressKey(VK_END); }, 0, 0},
        {"Down", [] { program::PressKey(VK_DOWN); }, 0, 0},
    });
    EXPECT_EQ(4, EntryShown(4, 0));
}

// Label pixels of one visible row: the band above its cells' bottom line.
std::vector<COLORREF> LabelBand(const std::vector<COLORREF>& labels, int row)
{
    const int width = 23;
    const int top = 22 * row + 6;  // label bottoms lie at 28 + 22 × row in this strip
    return std::vector<COLORREF>(labels.begin() + top * width, labels.begin() + (top + 22) * width);
}

bool HasText(const std::vector<COLORREF>& band)
{
    for (COLORREF pixel : band) {
        if (pixel != GetSysColor(COLOR_BTNFACE)) return true;
    }
    return false;
}

TEST_F(PaletteGrid, RowLabelsFollowTheTopRowAndStayForAnEmptyTable)
{
    ShowPalette();
    std::vector<COLORREF> empty = palette::LabelPixels();
    ASSERT_EQ(size_t(23 * 188), empty.size());
    for (int row = 0; row < 8; ++row) {
        EXPECT_TRUE(HasText(LabelBand(empty, row))) << "an empty table still shows label " << row * 12;
    }

    OpenPicture(WritePicture("many.bmp", 4, 2, 8, 256, palette::DistinctTable(256)));
    EXPECT_EQ(empty, palette::LabelPixels()) << "the same labels 0 to 84";
    palette::Scroll(SB_BOTTOM);
    std::vector<COLORREF> scrolled = palette::LabelPixels();
    for (int row = 0; row < 8; ++row) {
        EXPECT_NE(LabelBand(empty, row), LabelBand(scrolled, row)) << "row " << row;
        EXPECT_TRUE(HasText(LabelBand(scrolled, row)));
    }
    palette::Scroll(SB_LINEUP);
    EXPECT_NE(scrolled, palette::LabelPixels());
    EXPECT_EQ(LabelBand(scrolled, 0), LabelBand(palette::LabelPixels(), 1)) << "labels move by one row";

    palette::Command(ID_PALETTE_RELEASE);
    EXPECT_FALSE(IsWindowEnabled(palette::ScrollBar()));
    EXPECT_EQ(empty, palette::LabelPixels()) << "release goes back to 0 to 84";
    palette::Scroll(SB_BOTTOM);
    EXPECT_EQ(empty, palette::LabelPixels()) << "a disabled scroll bar scrolls nothing";
}

// The 64-bit program's code lies above 4 GiB, so a procedure address squeezed
// through 32 bits on its way into the window cannot pass by chance.
TEST_F(PaletteGrid, SubclassHoldsTheWholeProcedureAddress)
{
    const uintptr_t procedure = reinterpret_cast<uintptr_t>(&PaletteGridProc);
    if (sizeof(void*) == 8) {
        EXPECT_GT(procedure, uintptr_t(0xFFFFFFFFu));
    }
    OpenTable(16);
    EXPECT_EQ(procedure, uintptr_t(GetWindowLongPtrA(palette::Grid(), GWLP_WNDPROC)));
}

}  // namespace
