#include "tests/win32/support/palette_driver.h"

#include "app/globals.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/win32/support/program.h"

namespace palette {

HWND Window()
{
    return paletteWindow.Hwnd();
}

HWND Grid()
{
    return GetDlgItem(Window(), IDC_PALETTE_GRID);
}

HWND ScrollBar()
{
    return GetDlgItem(Window(), IDC_PALETTE_SCROLL);
}

void Command(int id)
{
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    program::Pump();
}

std::vector<SeenDialog> Run(int id, const std::vector<ModalAnswerer::Action>& answers)
{
    ModalAnswerer answerer;
    for (const ModalAnswerer::Action& answer : answers) answerer.Then(answer);
    Command(id);
    EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
    return answerer.Seen();
}

void FocusGrid()
{
    SetActiveWindow(Window());
    SetFocus(Grid());
    program::Pump();
}

void Scroll(int code, int position)
{
    SendMessageA(Window(), WM_VSCROLL, MAKEWPARAM(code, position), LPARAM(ScrollBar()));
    program::Pump();
}

COLORREF Screen(uint32_t packedColor)
{
    return packedColor & 0xFFFFFF;
}

COLORREF GridPixel(int x, int y)
{
    return program::ClientPixel(Grid(), x, y);
}

COLORREF SquareColor(int column, int row)
{
    RECT square = paletteWindow.Layout().ColorRect(column, row);
    return GridPixel((square.left + square.right) / 2, (square.top + square.bottom) / 2);
}

bool CellIsPlain(int column, int row, COLORREF color)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    const POINT samples[] = {
        {cell.left, cell.top}, {cell.left + 10, cell.top}, {cell.left, cell.top + 10},
        {cell.right - 1, cell.top + 10}, {cell.left + 10, cell.bottom - 1},
        {cell.right - 1, cell.bottom - 1},
        {cell.left + 1, cell.top + 1}, {cell.left + 2, cell.top + 10}, {cell.right - 2, cell.bottom - 2},
        {cell.left + 3, cell.top + 3}, {cell.left + 11, cell.top + 11}, {cell.right - 4, cell.bottom - 4},
    };
    for (const POINT& p : samples) {
        if (GridPixel(p.x, p.y) != color) return false;
    }
    return true;
}

const char* FrameName(Frame frame)
{
    switch (frame) {
    case Frame::Flat: return "flat";
    case Frame::Raised: return "raised";
    case Frame::Sunken: return "sunken";
    default: return "other";
    }
}

Frame FrameOf(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    COLORREF left = GridPixel(cell.left, cell.top + 10);
    COLORREF top = GridPixel(cell.left + 10, cell.top);
    COLORREF right = GridPixel(cell.right - 1, cell.top + 10);
    COLORREF bottom = GridPixel(cell.left + 10, cell.bottom - 1);
    if (left != top || right != bottom) return Frame::Other;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    if (left == face && right == face) return Frame::Flat;
    if (left == light && right == dark) return Frame::Raised;
    if (left == dark && right == light) return Frame::Sunken;
    return Frame::Other;
}

namespace {

LPARAM CellCenter(int column, int row)
{
    RECT cell = paletteWindow.Layout().CellRect(column, row);
    return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

}  // namespace

void MoveMouse(int column, int row)
{
    SendMessageA(Grid(), WM_MOUSEMOVE, 0, CellCenter(column, row));
    program::Pump();
}

void Click(int column, int row)
{
    SendMessageA(Grid(), WM_LBUTTONDOWN, MK_LBUTTON, CellCenter(column, row));
    program::Pump();
}

void CommitColor(int column, int row, COLORREF color)
{
    if (!paletteWindow.HasSelection() || paletteWindow.SelectedColumn() != column ||
        paletteWindow.SelectedRow() != paletteWindow.TopRow() + row)
        Click(column, row);
    colorPanel->SetCurrentColor(0x02000000 | color);
    HWND button = GetDlgItem(colorPanel->Hwnd(), IDC_ENTER_BUTTON);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    program::Pump();
}

bool ItemEnabled(int id)
{
    HMENU menu = GetMenu(Window());
    SendMessageA(Window(), WM_INITMENUPOPUP, WPARAM(GetSubMenu(menu, GetMenuItemCount(menu) - 1)),
                 MAKELPARAM(GetMenuItemCount(menu) - 1, FALSE));
    return (GetMenuState(menu, UINT(id), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

void PutOnClipboard(const std::string& text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    ASSERT_NE(nullptr, memory);
    CopyMemory(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    bool stored = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!stored) GlobalFree(memory);
    ASSERT_TRUE(stored);
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr)) return "(clipboard busy)";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    } else {
        text = "(no text)";
    }
    CloseClipboard();
    return text;
}

std::vector<COLORREF> LabelPixels()
{
    UpdateWindow(Window());
    RECT labels = paletteWindow.Layout().LabelRect();
    int width = labels.right - labels.left;
    int height = labels.bottom - labels.top;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC window = GetDC(Window());
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window, labels.left, labels.top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    std::vector<COLORREF> result;
    for (int i = 0; i < width * height; ++i) {
        result.push_back(RGB(pixels[i] >> 16 & 0xFF, pixels[i] >> 8 & 0xFF, pixels[i] & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(Window(), window);
    return result;
}

ModalAnswerer::Action ChooseFileType(int index, ModalAnswerer::Action then)
{
    return [index, then](HWND dialog) {
        HWND types = GetDlgItem(dialog, kFileTypeCombo);
        if (!types) return false;  // not filled in yet
        // A click in the list sends both; Wine's dialog takes the type on the second.
        SendMessageA(types, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELCHANGE), LPARAM(types));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELENDOK), LPARAM(types));
        return then(dialog);
    };
}

// Blue alone tells the entries apart; green = 255 - blue keeps every entry
// off the grays that the button colors are made of.
COLORREF DistinctColor(uint32_t entry)
{
    return RGB((entry * 37 + 11) & 0xFF, 255 - (entry & 0xFF), entry & 0xFF);
}

std::string DistinctTable(uint32_t count)
{
    std::string table;
    for (uint32_t i = 0; i < count; ++i) {
        COLORREF color = DistinctColor(i);
        table += char(GetBValue(color));
        table += char(GetGValue(color));
        table += char(GetRValue(color));
        table += char(0);
    }
    return table;
}

int EntryShown(int column, int row)
{
    COLORREF color = SquareColor(column, row);
    if (color == GetSysColor(COLOR_BTNFACE)) return -1;
    return DistinctColor(GetBValue(color)) == color ? GetBValue(color) : -2;
}

void PaletteTest::SetUp()
{
    program::Restart(true);
}

void PaletteTest::TearDown()
{
    program::Stop();
}

std::string PaletteTest::WritePicture(const std::string& name, int width, int height, uint16_t bits,
                                      uint32_t entries, const std::string& table)
{
    BmpBytes bmp = MakeBmp(width, height, bits, entries);
    if (!table.empty()) bmp.table = table;
    bmp.FixOffsets();
    std::string path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bmp.Serialize()));
    return path;
}

void PaletteTest::OpenPicture(const std::string& path)
{
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::TypeFileName(path));
    program::Command(ID_FILE_OPEN);
    ASSERT_EQ(0u, answerer.Pending()) << answerer.Describe();
    ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
}

void PaletteTest::ShowPalette()
{
    program::Command(ID_PALETTE_DIALOG);
    ASSERT_TRUE(program::PumpUntil([] { return IsWindowVisible(Window()) != FALSE; }));
}

std::vector<SeenDialog> PaletteTest::LoadPalette(const std::string& path, int fileType)
{
    ModalAnswerer::Action pick = ModalAnswerer::TypeFileName(path);
    if (fileType >= 0) pick = ChooseFileType(fileType, pick);
    return palette::Run(ID_PALETTE_LOAD, {pick});
}

}  // namespace palette
