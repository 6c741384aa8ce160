// The picture as a way into its palette: a click on a pixel picks its entry
// in the palette window, and Space or the view toggle shows where the
// selected entry is used; all read back from the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;

struct Shape {
    int width;
    int height;  // negative: top-down
    uint16_t bits;
};

// The index of the pixel (x, y), counted from the top-left, in every test picture.
uint32_t IndexAt(int x, int y, uint16_t bits)
{
    return uint32_t(x * 29 + y * 17 + 3) & ((1u << bits) - 1);
}

// Rows in file order holding IndexAt; the padding after each row's last
// pixel has every bit set, which no pixel may be counted or picked from.
std::string PixelRows(const Shape& shape)
{
    const int rows = std::abs(shape.height);
    const size_t stride = size_t(shape.width * shape.bits + 31) / 32 * 4;
    std::string bytes;
    for (int i = 0; i < rows; ++i) {
        const int y = shape.height < 0 ? i : rows - 1 - i;
        std::string row(stride, '\xFF');
        for (int x = 0; x < shape.width; ++x) {
            const int bit = x * shape.bits;
            const int shift = 8 - shape.bits - bit % 8;
            unsigned char byte = static_cast<unsigned char>(row[size_t(bit / 8)]);
            byte = static_cast<unsigned char>((byte & ~(((1 << shape.bits) - 1) << shift)) |
                                              (IndexAt(x, y, shape.bits) << shift));
            row[size_t(bit / 8)] = char(byte);
        }
        bytes += row;
    }
    return bytes;
}

HWND Main()
{
    return program::MainWindow();
}

void ClickPicture(POINT at)
{
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(Main(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    program::Pump();
}

int SelectedEntry()
{
    if (!paletteWindow.HasSelection()) return -1;
    return paletteWindow.SelectedRow() * 12 + paletteWindow.SelectedColumn();
}

// The color panel's three fields as shown.
std::string PanelFields()
{
    std::string text;
    for (int field : {IDC_RED_FIELD, IDC_GREEN_FIELD, IDC_BLUE_FIELD}) {
        char value[16] = "";
        GetDlgItemTextA(colorPanel->Hwnd(), field, value, sizeof value);
        text += std::string(value) + ' ';
    }
    return text;
}

std::string Fields(COLORREF color)
{
    return std::to_string(GetRValue(color)) + ' ' + std::to_string(GetGValue(color)) + ' ' +
           std::to_string(GetBValue(color)) + ' ';
}

// The client point over the middle of picture pixel (x, y) as it is drawn now.
POINT ScreenPoint(int x, int y, const Shape& shape)
{
    if (!bitmapDocument.View().fitToWindow) return POINT{x, y};
    RECT client;
    GetClientRect(Main(), &client);
    return POINT{LONG((2 * x + 1) * client.right / (2 * shape.width)),
                 LONG((2 * y + 1) * client.bottom / (2 * std::abs(shape.height)))};
}

std::vector<COLORREF> PicturePixels(const Shape& shape)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < std::abs(shape.height); ++y) {
        for (int x = 0; x < shape.width; ++x) {
            POINT at = ScreenPoint(x, y, shape);
            pixels.push_back(program::ClientPixel(Main(), at.x, at.y));
        }
    }
    return pixels;
}

bool NearerGray(COLORREF faded, COLORREF own)
{
    auto nearer = [](int f, int o) { return std::abs(f - 128) <= std::abs(o - 128); };
    return faded != own && nearer(GetRValue(faded), GetRValue(own)) &&
           nearer(GetGValue(faded), GetGValue(own)) && nearer(GetBValue(faded), GetBValue(own));
}

// Wine may keep an old pointer position for a while, and may skip a move to
// where it last put the pointer: the pointer goes beside the point first.
void MovePointer(POINT screen)
{
    for (LONG step : {1, 0}) {
        SetCursorPos(screen.x + step, screen.y);
        program::PumpUntil([&] {
            POINT now;
            return GetCursorPos(&now) && now.x == screen.x + step && now.y == screen.y;
        }, 1000);
    }
}

bool CursorIsCross(POINT client)
{
    ClientToScreen(Main(), &client);
    MovePointer(client);
    // Asked again until the pointer's position has settled.
    return program::PumpUntil([] {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
        SendMessageA(Main(), WM_SETCURSOR, WPARAM(Main()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor() == LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));  // IDC_CROSS
    }, 500);
}

class PicturePick : public palette::PaletteTest {
protected:
    // Opens a picture of the shape whose table is distinct, the palette shown.
    void Open(const Shape& shape)
    {
        BmpBytes bmp = MakeBmp(shape.width, shape.height, shape.bits);
        if (shape.bits <= 8) bmp.table = palette::DistinctTable(1u << shape.bits);
        if (shape.bits <= 8) bmp.pixels = PixelRows(shape);
        bmp.FixOffsets();
        std::string path = folder.File("picture " + std::to_string(shape.bits) + ".bmp");
        ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        OpenPicture(path);
        if (!IsWindowVisible(palette::Window())) ShowPalette();
        SetActiveWindow(Main());
        SetFocus(Main());
        program::Pump();
    }
};

TEST_F(PicturePick, AClickPicksThePixelsEntryAtActualSizeAndFitted)
{
    const Shape shapes[] = {{13, 5, 1}, {11, -6, 4}, {9, 7, 8}};
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(std::to_string(shape.bits) + " bits");
        Open(shape);
        const int height = std::abs(shape.height);
        std::vector<uint64_t> expected(size_t(1) << shape.bits, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < shape.width; ++x) ++expected[IndexAt(x, y, shape.bits)];
        }
        EXPECT_EQ(expected, bitmapDocument.EntryUsage()) << "padding is never counted";

        for (int view : {ID_VIEW_ACTUAL_SIZE, ID_VIEW_FIT_TO_WINDOW}) {
            program::Command(view);
            const POINT pixels[] = {{0, 0}, {shape.width - 1, 0}, {0, height - 1},
                                    {shape.width - 1, height - 1}, {shape.width / 2, height / 2}};
            for (const POINT& pixel : pixels) {
                SCOPED_TRACE("pixel " + std::to_string(pixel.x) + "," + std::to_string(pixel.y) +
                             (view == ID_VIEW_ACTUAL_SIZE ? " actual size" : " fitted"));
                POINT at = ScreenPoint(pixel.x, pixel.y, shape);
                EXPECT_TRUE(CursorIsCross(at));
                ClickPicture(at);
                const int entry = int(IndexAt(pixel.x, pixel.y, shape.bits));
                ASSERT_EQ(entry, SelectedEntry());
                EXPECT_EQ(DistinctColor(uint32_t(entry)), program::ClientPixel(Main(), at.x, at.y))
                    << "the entry picked is the one shown there";
                EXPECT_EQ(Fields(DistinctColor(uint32_t(entry))), PanelFields());
                int row = entry / 12 - paletteWindow.TopRow();
                ASSERT_TRUE(row >= 0 && row < 8) << "scrolled into view";
                EXPECT_EQ(palette::Frame::Sunken, palette::FrameOf(entry % 12, row));
            }
        }
    }
    program::Command(ID_FILE_CLOSE);
    EXPECT_TRUE(bitmapDocument.EntryUsage().empty());
}

TEST_F(PicturePick, NothingIsPickedWhereNoEntryIsShown)
{
    const Shape indexed = {9, 7, 8};
    Open(indexed);
    palette::Click(2, 0);
    const std::string panel = PanelFields();
    auto unchanged = [&](POINT at, const char* where) {
        SCOPED_TRACE(where);
        EXPECT_FALSE(CursorIsCross(at));
        ClickPicture(at);
        EXPECT_EQ(2, SelectedEntry());
        EXPECT_EQ(panel, PanelFields());
    };
    unchanged(POINT{9, 3}, "beside the picture");
    unchanged(POINT{4, 7}, "below the picture");
    program::Command(ID_VIEW_SHOW_HEADER);
    unchanged(POINT{4, 3}, "header view shown");
    program::Command(ID_VIEW_SHOW_PICTURE);
    program::Command(ID_PALETTE_DIALOG);
    unchanged(POINT{4, 3}, "palette window hidden");

    // A 24-bit picture with a palette loaded beside it: no pixel holds an index.
    const std::string table = folder.File("picture 8.bmp");
    Open(Shape{9, 7, 24});
    LoadPalette(table);
    ASSERT_EQ(256u, paletteWindow.WorkingTable().GetCount());
    palette::Click(2, 0);
    unchanged(POINT{4, 3}, "24 bits");
    EXPECT_TRUE(bitmapDocument.EntryUsage().empty());
}

TEST_F(PicturePick, HighlightShowsTheEntrysPixelsAndChangesNothing)
{
    const Shape shape = {9, 7, 8};
    Open(shape);
    const ColorTable table = paletteWindow.WorkingTable();
    ClickPicture(POINT{3, 2});
    auto expectHighlight = [&](const std::vector<COLORREF>& own, const char* how) {
        SCOPED_TRACE(how);
        std::vector<COLORREF> shown = PicturePixels(shape);
        const uint32_t entry = uint32_t(SelectedEntry());
        for (size_t i = 0; i < own.size(); ++i) {
            if (IndexAt(int(i) % shape.width, int(i) / shape.width, shape.bits) == entry)
                EXPECT_EQ(own[i], shown[i]) << "pixel " << i << " keeps its color";
            else
                EXPECT_TRUE(NearerGray(shown[i], own[i])) << "pixel " << i << " faded";
        }
    };
    const std::vector<COLORREF> actual = PicturePixels(shape);

    SendMessageA(Main(), WM_KEYDOWN, VK_SPACE, 1);
    expectHighlight(actual, "Space held");
    SendMessageA(Main(), WM_KEYUP, VK_SPACE, LPARAM(0xC0000001));
    EXPECT_EQ(actual, PicturePixels(shape)) << "Space let go";

    program::Command(ID_VIEW_FIT_TO_WINDOW);
    const std::vector<COLORREF> fitted = PicturePixels(shape);
    program::Command(ID_VIEW_HIGHLIGHT_ENTRY);
    HMENU view = GetSubMenu(GetMenu(Main()), 2);
    SendMessageA(Main(), WM_INITMENUPOPUP, WPARAM(view), 2);
    EXPECT_TRUE(GetMenuState(view, ID_VIEW_HIGHLIGHT_ENTRY, MF_BYCOMMAND) & MF_CHECKED);
    expectHighlight(fitted, "toggled on, fitted");
    const uint32_t other = IndexAt(2, 2, shape.bits);
    palette::Click(int(other % 12), int(other / 12) - paletteWindow.TopRow());
    ASSERT_EQ(int(other), SelectedEntry());
    expectHighlight(fitted, "a new selection in the grid");
    program::Command(ID_VIEW_HIGHLIGHT_ENTRY);
    EXPECT_EQ(fitted, PicturePixels(shape)) << "toggled off";

    EXPECT_EQ(std::string::npos, program::Title().find(" *"));
    EXPECT_FALSE(bitmapDocument.IsModified());
    ColorTable held;
    ASSERT_TRUE(bitmapDocument.CopyColorTable(held));
    for (uint32_t i = 0; i < table.GetCount(); ++i)
        ASSERT_EQ(table.GetPackedColor(i), held.GetPackedColor(i)) << "entry " << i;
}

// Sixty picks in turn between two entries of a 640 x 480 picture, each right,
// with the color panel open; prints the times until grid and panel are
// painted, and of a highlight repaint (a shared machine's load decides them).
TEST_F(PicturePick, RepeatedPicksStayRightAndAreTimed)
{
    const Shape shape = {640, 480, 8};
    Open(shape);
    palette::Command(ID_PALETTE_PANEL);
    program::Command(ID_WINDOW_FIT_TO_PICTURE);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    auto milliseconds = [&] { return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart); };
    auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    std::vector<double> picks, repaints;
    for (int i = 0; i < 60; ++i) {
        const POINT at = {i % 2 ? 600 : 7, i % 2 ? 400 : 300};
        QueryPerformanceCounter(&start);
        SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        RedrawWindow(colorPanel->Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        QueryPerformanceCounter(&end);
        picks.push_back(milliseconds());
        ASSERT_EQ(int(IndexAt(at.x, at.y, shape.bits)), SelectedEntry());
        program::Pump();
    }
    for (int i = 0; i < 60; ++i) {
        QueryPerformanceCounter(&start);
        program::Command(ID_VIEW_HIGHLIGHT_ENTRY);
        QueryPerformanceCounter(&end);
        repaints.push_back(milliseconds());
    }
    std::printf("pick: median %.2f ms, slowest %.2f ms; highlight repaint: median %.2f ms, slowest %.2f ms\n",
                median(picks), *std::max_element(picks.begin(), picks.end()), median(repaints),
                *std::max_element(repaints.begin(), repaints.end()));
}

}  // namespace
