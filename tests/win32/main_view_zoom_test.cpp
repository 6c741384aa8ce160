// The zoomed and scrolled views, the pixel grid, the status bar and the live
// picture, judged by the screen's pixels as a user sees them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;

uint32_t IndexAt(int x, int y)
{
    return uint32_t(x * 29 + y * 17 + 3) & 0xFF;
}

HWND Main()
{
    return program::MainWindow();
}

COLORREF Shown(int x, int y)
{
    return program::ClientPixel(Main(), x, y);
}

// The client area above the status bar.
RECT Area()
{
    RECT client, bar;
    GetClientRect(Main(), &client);
    HWND status = GetDlgItem(Main(), IDC_STATUS_BAR);
    if (status && IsWindowVisible(status) && GetWindowRect(status, &bar)) client.bottom -= bar.bottom - bar.top;
    return client;
}

// Whether the factor x factor block at (left, top) is the color throughout.
bool BlockIs(int left, int top, int factor, COLORREF color)
{
    for (int y = top; y < top + factor; ++y) {
        for (int x = left; x < left + factor; ++x) {
            if (Shown(x, y) != color) return false;
        }
    }
    return true;
}

bool BlackOrWhite(COLORREF color)
{
    return color == RGB(0, 0, 0) || color == RGB(255, 255, 255);
}

void Wheel(POINT client, int notches, WORD keys)
{
    POINT screen = client;
    ClientToScreen(Main(), &screen);
    SendMessageA(Main(), WM_MOUSEWHEEL, MAKEWPARAM(keys, WORD(short(notches * WHEEL_DELTA))),
                 MAKELPARAM(screen.x, screen.y));
    program::Pump();
}

std::string StatusPart(int part)
{
    char text[128] = "";
    HWND bar = GetDlgItem(Main(), IDC_STATUS_BAR);
    if (SendMessageA(bar, SB_GETTEXTLENGTHA, WPARAM(part), 0) < LRESULT(sizeof text))
        SendMessageA(bar, SB_GETTEXTA, WPARAM(part), LPARAM(text));
    return text;
}

class ZoomView : public palette::PaletteTest {
protected:
    // An 8-bit picture with a distinct table, pixel (x, y) holding IndexAt.
    std::string Open(int width, int height)
    {
        BmpBytes bmp = MakeBmp(width, height, 8);
        bmp.table = palette::DistinctTable(256);
        const size_t stride = size_t(width + 3) / 4 * 4;
        bmp.pixels.assign(stride * size_t(height), '\0');
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) bmp.pixels[size_t(height - 1 - y) * stride + size_t(x)] = char(IndexAt(x, y));
        }
        bmp.FixOffsets();
        const std::string path = folder.File("picture " + std::to_string(width) + ".bmp");
        EXPECT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        OpenPicture(path);
        SetActiveWindow(Main());
        SetFocus(Main());
        program::Pump();
        return path;
    }
};

TEST_F(ZoomView, WheelZoomKeepsThePointAndScrollingReachesTheLastPixel)
{
    // Larger than the window from 2x on: every step can keep the point.
    Open(200, 150);
    const POINT pointer = {20, 12};
    const COLORREF under = Shown(pointer.x, pointer.y);
    Wheel(pointer, 3, MK_CONTROL);  // 2x, 3x, 4x
    ASSERT_EQ(4, bitmapDocument.Zoom().factor);
    EXPECT_EQ(under, Shown(pointer.x, pointer.y)) << "the pixel under the pointer stays there";
    // Pixel (x, y) lies at 4x - 60, 4y - 36: pixel 20 stays under client 20.
    const POINT pixels[] = {{20, 12}, {21, 12}, {20, 13}, {36, 30}, {15, 9}};
    for (const POINT& p : pixels) {
        SCOPED_TRACE("pixel " + std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_TRUE(BlockIs(4 * p.x - 60, 4 * p.y - 36, 4, DistinctColor(IndexAt(p.x, p.y))));
    }

    SendMessageA(Main(), WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageA(Main(), WM_HSCROLL, SB_BOTTOM, 0);
    program::Pump();
    RECT area = Area();
    EXPECT_TRUE(BlockIs(area.right - 4, area.bottom - 4, 4, DistinctColor(IndexAt(199, 149))));
    EXPECT_EQ(DistinctColor(IndexAt(198, 149)), Shown(area.right - 5, area.bottom - 1));
    EXPECT_EQ(DistinctColor(IndexAt(199, 148)), Shown(area.right - 1, area.bottom - 5));
    // Picking follows the zoom.
    ShowPalette();
    SetActiveWindow(Main());
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.right - 5, area.bottom - 1));
    SendMessageA(Main(), WM_LBUTTONUP, 0, MAKELPARAM(area.right - 5, area.bottom - 1));
    uint32_t picked = 0;
    ASSERT_TRUE(paletteWindow.SelectedEntry(&picked));
    EXPECT_EQ(IndexAt(198, 149), picked);

    // The actual-size view of a picture larger than the window scrolls too.
    Wheel(pointer, -3, MK_CONTROL);
    EXPECT_EQ(1, bitmapDocument.Zoom().factor);
    Open(600, 400);
    for (int i = 0; i < 40; ++i) SendMessageA(Main(), WM_VSCROLL, SB_PAGEDOWN, 0);
    Wheel(pointer, -100, MK_SHIFT);  // sideways, to the right
    program::Pump();
    area = Area();
    EXPECT_EQ(DistinctColor(IndexAt(599, 399)), Shown(area.right - 1, area.bottom - 1));
    EXPECT_EQ(DistinctColor(IndexAt(598, 397)), Shown(area.right - 2, area.bottom - 3));
    program::Command(ID_VIEW_ACTUAL_SIZE);
    EXPECT_EQ(DistinctColor(IndexAt(0, 0)), Shown(0, 0)) << "the specified view starts at the corner";
}

TEST_F(ZoomView, ReducedViewPicksThePixelItDraws)
{
    // Wider than the screen: the reductions are offered.
    Open(3 * GetSystemMetrics(SM_CXSCREEN), 300);
    ShowPalette();
    SetActiveWindow(Main());
    program::Command(ID_VIEW_STATUS_BAR);
    program::Command(ID_VIEW_ZOOM_OUT);
    program::Command(ID_VIEW_ZOOM_OUT);
    ASSERT_EQ(-4, bitmapDocument.Zoom().factor);
    SendMessageA(Main(), WM_HSCROLL, SB_PAGEDOWN, 0);
    program::Pump();
    const RECT area = Area();
    const int scrollX = bitmapDocument.ScrollPosition().x;
    ASSERT_GT(scrollX, 0);
    for (int y = 0; y < 300 / 4 && y < area.bottom; y += 7) {
        for (int x = 0; x < area.right; x += 37) {
            SCOPED_TRACE("client " + std::to_string(x) + "," + std::to_string(y));
            SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageA(Main(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
            uint32_t picked = 0;
            ASSERT_TRUE(paletteWindow.SelectedEntry(&picked));
            EXPECT_EQ(DistinctColor(picked), Shown(x, y)) << "the entry picked is the one drawn there";
            SendMessageA(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
            const std::string position = "X " + std::to_string(4 * (x + scrollX)) + ", Y " + std::to_string(4 * y);
            EXPECT_EQ(position, StatusPart(0));
            EXPECT_EQ(IndexAt(4 * (x + scrollX), 4 * y), picked);
        }
    }
    EXPECT_EQ("1/4倍", StatusPart(2));
}

TEST_F(ZoomView, GridLinesLieBetweenBlocksAndTheFileStaysAsItWas)
{
    const std::string path = Open(16, 12);
    const std::string bytes = ReadWholeFile(path);
    for (int i = 0; i < 5; ++i) program::PressKey(VK_ADD, true);  // 2, 3, 4, 6, 8
    ASSERT_EQ(8, bitmapDocument.Zoom().factor);
    ASSERT_EQ(0, bitmapDocument.ScrollPosition().x) << "128 x 96 fits the window";
    program::Command(ID_VIEW_PIXEL_GRID);
    for (int x = 1; x < 16; ++x) {
        SCOPED_TRACE("column " + std::to_string(x));
        EXPECT_TRUE(BlackOrWhite(Shown(8 * x, 8 * 5 + 4))) << "a line at the block's edge";
        EXPECT_EQ(DistinctColor(IndexAt(x, 5)), Shown(8 * x + 1, 8 * 5 + 4));
        EXPECT_EQ(DistinctColor(IndexAt(x - 1, 5)), Shown(8 * x - 1, 8 * 5 + 4));
    }
    for (int y = 1; y < 12; ++y) EXPECT_TRUE(BlackOrWhite(Shown(8 * 3 + 4, 8 * y))) << "row " << y;
    EXPECT_EQ(DistinctColor(IndexAt(0, 0)), Shown(0, 0)) << "no line before the first pixel";
    EXPECT_NE(Shown(8 * 3, 1), Shown(8 * 3, 3)) << "black and white dashes along the line";

    program::PressKey(VK_SUBTRACT, true);  // 6: too small for the grid
    EXPECT_TRUE(BlockIs(6 * 3, 6 * 5, 6, DistinctColor(IndexAt(3, 5))));
    program::PressKey('0', true);
    EXPECT_EQ(1, bitmapDocument.Zoom().factor);
    EXPECT_EQ(bytes, ReadWholeFile(path));
    EXPECT_EQ(std::string::npos, program::Title().find(" *"));
}

TEST_F(ZoomView, StatusBarNamesThePixelAndF6FitsTheAreaAboveIt)
{
    Open(40, 30);
    program::Command(ID_VIEW_STATUS_BAR);
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(Main(), IDC_STATUS_BAR)));
    program::Command(ID_VIEW_ZOOM_IN);  // 2x about the middle: 80 x 60 fits
    SendMessageA(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(2 * 7 + 1, 2 * 5 + 1));
    const COLORREF color = DistinctColor(IndexAt(7, 5));
    char entry[64];
    wsprintfA(entry, "ｴﾝﾄﾘ %u  #%02X%02X%02X", IndexAt(7, 5), GetRValue(color), GetGValue(color), GetBValue(color));
    EXPECT_EQ("X 7, Y 5", StatusPart(0));
    EXPECT_EQ(entry, StatusPart(1));
    EXPECT_EQ("2倍", StatusPart(2));
    EXPECT_EQ("40 x 30  8ﾋﾞｯﾄ", StatusPart(3));
    SendMessageA(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(2 * 40 + 3, 4));
    EXPECT_EQ("", StatusPart(0)) << "beside the picture";

    // Wider than the window's least width.
    Open(400, 200);
    program::PressKey(VK_F6);
    RECT area = Area();
    EXPECT_EQ(400, area.right);
    EXPECT_EQ(200, area.bottom);
    EXPECT_EQ(DistinctColor(IndexAt(399, 199)), Shown(399, 199));

    // Kept in a value of their own for the next start.
    program::Command(ID_VIEW_PIXEL_GRID);
    program::Command(ID_VIEW_ZOOM_IN);
    program::Stop();
    program::Restart(false);
    EXPECT_EQ(2, bitmapDocument.Zoom().factor);
    EXPECT_EQ(1, bitmapDocument.Zoom().pixelGrid);
    EXPECT_EQ(0, bitmapDocument.View().fitToWindow);
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(Main(), IDC_STATUS_BAR)));
    program::Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Main(), IDC_STATUS_BAR)));
}

TEST_F(ZoomView, LivePictureShowsTheDraggedColorOnTheEntrysPixelsOnly)
{
    Open(9, 7);
    ShowPalette();
    palette::Command(ID_PALETTE_PANEL);
    palette::Command(ID_PALETTE_LIVE_PICTURE);
    ASSERT_TRUE(paletteWindow.ShowsLivePicture());
    SetActiveWindow(Main());
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 2));
    SendMessageA(Main(), WM_LBUTTONUP, 0, MAKELPARAM(3, 2));
    const uint32_t entry = IndexAt(3, 2);
    program::Command(ID_VIEW_STATUS_BAR);
    HWND slider = GetDlgItem(colorPanel->Hwnd(), IDC_RED_SLIDER);
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(222, 5));
    program::Pump();
    const COLORREF own = DistinctColor(entry);
    const COLORREF dragged = RGB(222, GetGValue(own), GetBValue(own));
    ASSERT_NE(own, dragged);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const uint32_t index = IndexAt(x, y);
            EXPECT_EQ(index == entry ? dragged : DistinctColor(index), Shown(x, y)) << x << "," << y;
        }
    }
    // The status bar names the color the pixel is drawn in.
    SendMessageA(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 2));
    char named[64];
    wsprintfA(named, "ｴﾝﾄﾘ %u  #%02X%02X%02X", entry, 222, GetGValue(own), GetBValue(own));
    EXPECT_EQ(named, StatusPart(1));
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(222, 5));
    EXPECT_EQ(std::string::npos, program::Title().find(" *"));
    EXPECT_FALSE(bitmapDocument.IsModified());

    palette::Command(ID_PALETTE_LIVE_PICTURE);
    EXPECT_EQ(own, Shown(3, 2)) << "the applied picture again";
    palette::Command(ID_PALETTE_INVERT);
    const COLORREF corner = DistinctColor(IndexAt(0, 0));
    EXPECT_EQ(corner, Shown(0, 0)) << "off: edits wait for Apply";
    palette::Command(ID_PALETTE_LIVE_PICTURE);
    EXPECT_EQ(RGB(255 - GetRValue(corner), 255 - GetGValue(corner), 255 - GetBValue(corner)), Shown(0, 0))
        << "on again: the inverted table";
    EXPECT_FALSE(bitmapDocument.IsModified());
}

}  // namespace
