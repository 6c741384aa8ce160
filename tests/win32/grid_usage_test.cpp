// What the palette grid tells of the picture's pixels: the tooltip over a
// cell with the entry's number, color and pixel count, and the view option
// that marks the entries no pixel uses, kept in a registry value of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;

const char kKeyPath[] = "Software\\Brindlemoor\\Korin";

// 3 x 2 pixels at 4 bits: entry 2 four times, 3 and 5 once. The nibble past
// the width and the row padding hold 0 and 1, which no pixel uses.
std::string CountedPicture(const TempFolder& folder)
{
    BmpBytes bmp = MakeBmp(3, 2, 4, 16);
    bmp.table = palette::DistinctTable(16);
    bmp.pixels = std::string("\x23\x20\x11\x11\x22\x50\x11\x11", 8);
    bmp.FixOffsets();
    std::string path = folder.File("counted.bmp");
    EXPECT_TRUE(WriteWholeFile(path, bmp.Serialize()));
    return path;
}

HWND FindTip()
{
    HWND tip = nullptr;
    while ((tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) && GetWindow(tip, GW_OWNER) != palette::Window()) {
    }
    return tip;
}

// Rests the mouse on a cell as a user does and reads the tip that shows
// there; "" when none shows within the time.
std::string TipAt(int column, int row, DWORD wait = 3000)
{
    HWND tip = FindTip();
    if (!tip) return "(no tooltip window)";
    // Off the cells first, so that the tip of the cell comes afresh; the
    // moves the display reports for the pointer are let in before the next.
    POINT corner = {1, 1};
    ClientToScreen(palette::Grid(), &corner);
    SetCursorPos(corner.x, corner.y);
    SendMessageA(palette::Grid(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    program::PumpUntil([] { return false; }, 200);
    if (IsWindowVisible(tip)) return "(the last tip stays)";
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    POINT point = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(palette::Grid(), &point);
    SetCursorPos(point.x, point.y);
    program::PumpUntil([] { return false; }, 200);
    palette::MoveMouse(column, row);
    if (!program::PumpUntil([tip] { return IsWindowVisible(tip) != FALSE; }, wait)) return "";
    char text[256] = "";
    GetWindowTextA(tip, text, sizeof text);
    return text;
}

std::string ColorPart(uint32_t entry)
{
    COLORREF color = DistinctColor(entry);
    char text[64];
    wsprintfA(text, "#%02X%02X%02X  R %d  G %d  B %d", GetRValue(color), GetGValue(color), GetBValue(color),
              GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

// The bytes of a binary value of the program's key; "" without one.
std::string StoredValue(const char* name)
{
    HKEY key;
    char data[64];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_BINARY ? std::string(data, size) : "";
}

bool MarkChecked()
{
    return (GetMenuState(GetMenu(palette::Window()), ID_PALETTE_MARK_UNUSED, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The corner of a square that the mark covers.
COLORREF MarkCorner(int column, int row)
{
    RECT square = paletteWindow.Layout().ColorRect(column, row);
    return palette::GridPixel(square.left + 1, square.top + 1);
}

class GridUsage : public palette::PaletteTest {
protected:
    void SetUp() override
    {
        GetCursorPos(&pointer);
        palette::PaletteTest::SetUp();
    }
    void TearDown() override
    {
        palette::PaletteTest::TearDown();
        SetCursorPos(pointer.x, pointer.y);
    }

    POINT pointer = {0, 0};
};

TEST_F(GridUsage, TooltipNamesTheEntryItsColorAndItsPixelsOnlyWhileAPictureIsOpen)
{
    OpenPicture(CountedPicture(folder));
    ShowPalette();
    EXPECT_EQ("ｴﾝﾄﾘ 2\r\n" + ColorPart(2) + "\r\n4 ﾋﾟｸｾﾙ", TipAt(2, 0));
    EXPECT_EQ("ｴﾝﾄﾘ 5\r\n" + ColorPart(5) + "\r\n1 ﾋﾟｸｾﾙ", TipAt(5, 0));
    EXPECT_EQ("ｴﾝﾄﾘ 0\r\n" + ColorPart(0) + "\r\n未使用", TipAt(0, 0)) << "past the width";
    EXPECT_EQ("ｴﾝﾄﾘ 1\r\n" + ColorPart(1) + "\r\n未使用", TipAt(1, 0)) << "the padding";
    EXPECT_EQ("", TipAt(4, 1, 1500)) << "entry 16 is past the table";

    // From one cell to the next with a tip showing, until the tip shows the
    // new cell: the control's own reshow delay and the program's part.
    const std::string second = "ｴﾝﾄﾘ 5\r\n" + ColorPart(5) + "\r\n1 ﾋﾟｸｾﾙ";
    HWND tip = FindTip();
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ("ｴﾝﾄﾘ 3\r\n" + ColorPart(3) + "\r\n1 ﾋﾟｸｾﾙ", TipAt(3, 0));
        RECT cell = paletteWindow.Layout().CellRect(5, 0);
        POINT point = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        ClientToScreen(palette::Grid(), &point);
        const DWORD started = GetTickCount();
        SetCursorPos(point.x, point.y);
        palette::MoveMouse(5, 0);
        ASSERT_TRUE(program::PumpUntil([tip, &second] {
            char text[256] = "";
            GetWindowTextA(tip, text, sizeof text);
            return IsWindowVisible(tip) && second == text;
        }, 3000));
        times.push_back(double(GetTickCount() - started));
    }
    std::sort(times.begin(), times.end());
    std::printf("tooltip from cell to cell: median %.0f ms, slowest %.0f ms over %zu; reshow delay %d ms\n",
                times[times.size() / 2], times.back(), times.size(),
                int(SendMessageA(tip, TTM_GETDELAYTIME, TTDT_RESHOW, 0)));

    // Closed, the palette keeps its table but the grid says nothing more.
    program::Command(ID_FILE_CLOSE);
    ASSERT_EQ(16u, paletteWindow.WorkingTable().GetCount());
    EXPECT_EQ("", TipAt(2, 0, 1500));
}

TEST_F(GridUsage, UnusedMarksShowOnlyWithTheOptionWhichIsKeptInItsOwnValue)
{
    OpenPicture(CountedPicture(folder));
    ShowPalette();
    EXPECT_FALSE(MarkChecked());
    EXPECT_EQ(DistinctColor(0), MarkCorner(0, 0)) << "no marks by default";

    palette::Command(ID_PALETTE_MARK_UNUSED);
    EXPECT_TRUE(MarkChecked());
    for (int column = 0; column < 12; ++column) {
        const COLORREF color = DistinctColor(uint32_t(column));
        const COLORREF mark = MarkCorner(column, 0);
        RECT square = paletteWindow.Layout().ColorRect(column, 0);
        EXPECT_EQ(color, palette::GridPixel(square.right - 2, square.bottom - 2)) << "the color shows, " << column;
        if (column == 2 || column == 3 || column == 5)
            EXPECT_EQ(color, mark) << "used entry " << column;
        else
            EXPECT_TRUE(mark != color && (mark == RGB(0, 0, 0) || mark == RGB(255, 255, 255))) << column;
    }
    // An edit repaints its square with the mark, turned to stand out on it.
    const COLORREF before = MarkCorner(4, 0);
    palette::CommitColor(4, 0, before);
    EXPECT_EQ(RGB(255, 255, 255) - before, MarkCorner(4, 0));

    program::Stop();
    EXPECT_EQ(std::string("\x01\0\0\0", 4), StoredValue("PaletteView"));
    const std::string view = StoredValue("ViewOpt");
    EXPECT_EQ(16u, view.size());
    program::Restart(false);
    OpenPicture(CountedPicture(folder));
    ShowPalette();
    EXPECT_TRUE(MarkChecked());
    EXPECT_NE(DistinctColor(0), MarkCorner(0, 0));
    palette::Command(ID_PALETTE_MARK_UNUSED);
    EXPECT_EQ(DistinctColor(0), MarkCorner(0, 0));
    program::Stop();
    EXPECT_EQ(std::string("\0\0\0\0", 4), StoredValue("PaletteView"));
    EXPECT_EQ(view, StoredValue("ViewOpt")) << "the option stays out of the main window's value";
}

}  // namespace
