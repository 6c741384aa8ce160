// The main window as a user meets it: start-up, settings kept between runs,
// the view commands, the picture drawn, and the window's geometry commands.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/view_options.h"
#include "document/bitmap_document.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/canvas.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

const char kKeyPath[] = "Software\\Brindlemoor\\Korin";

bool KeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The values under the program's key.
struct StoredValue {
    std::string name;
    DWORD type;
    std::string data;
};

std::vector<StoredValue> StoredValues()
{
    std::vector<StoredValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD nameSize = sizeof name;
        BYTE data[256];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values.push_back({name, type, std::string(reinterpret_cast<char*>(data), dataSize)});
    }
    RegCloseKey(key);
    return values;
}

StoredValue Stored(const std::string& name)
{
    for (const StoredValue& value : StoredValues()) {
        if (value.name == name) return value;
    }
    return StoredValue{name, REG_NONE, ""};
}

void Store(const char* name, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

RECT WindowRect()
{
    RECT rect;
    GetWindowRect(program::MainWindow(), &rect);
    return rect;
}

SIZE ClientSize()
{
    RECT client;
    GetClientRect(program::MainWindow(), &client);
    return SIZE{client.right, client.bottom};
}

HMENU ViewSubmenu(int firstItemId)
{
    HMENU bar = GetMenu(program::MainWindow());
    HMENU view = GetSubMenu(bar, 2);
    for (int i = 0; i < GetMenuItemCount(view); ++i) {
        HMENU sub = GetSubMenu(view, i);
        if (sub && GetMenuItemID(sub, 0) == UINT(firstItemId)) return sub;
    }
    return nullptr;
}

// Which of the two items of a radio submenu carries the mark once it opens.
int MarkedItem(int firstItemId)
{
    HMENU sub = ViewSubmenu(firstItemId);
    if (!sub) return -2;
    SendMessageA(program::MainWindow(), WM_INITMENUPOPUP, WPARAM(sub), 0);
    bool first = GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED;
    bool second = GetMenuState(sub, 1, MF_BYPOSITION) & MF_CHECKED;
    if (first == second) return -1;
    return first ? 0 : 1;
}

bool HeaderViewShown()
{
    return IsWindowVisible(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW)) != FALSE;
}

// The header view as it is on the screen, read character cell by character
// cell: a cell spans the character's advance and the line's height.
class HeaderViewCells {
public:
    HeaderViewCells()
        : view(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW)), client(ClientRect(view)),
          canvas(client.right, client.bottom, RGB(1, 2, 3))
    {
        UpdateWindow(view);
        WindowDC screen(view);
        BitBlt(canvas.Dc(), 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
        background = canvas.At(client.right - 1, client.bottom - 1);
    }

    int LineCount() const { return int(SendMessageA(view, EM_GETLINECOUNT, 0, 0)); }

    std::string Line(int line) const
    {
        char text[512];
        *reinterpret_cast<WORD*>(text) = sizeof text - 1;
        LRESULT length = SendMessageA(view, EM_GETLINE, line, LPARAM(text));
        return std::string(text, size_t(length));
    }

    // The cell's pixels row by row, '#' where they differ from the background;
    // empty when the cell lies outside the view. Lines hold single-byte
    // characters only, so a byte's column is its character index.
    std::string Ink(int line, int column) const
    {
        LRESULT index = SendMessageA(view, EM_LINEINDEX, line, 0) + column;
        LRESULT origin = SendMessageA(view, EM_POSFROMCHAR, WPARAM(index), 0);
        int left = short(LOWORD(origin)), top = short(HIWORD(origin));
        WindowDC dc(view);
        SelectedObject font(dc, HGDIOBJ(SendMessageA(view, WM_GETFONT, 0, 0)), SelectedObject::Borrowed);
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        std::string character = Line(line).substr(size_t(column), 1);
        SIZE advance;
        GetTextExtentPoint32A(dc, character.c_str(), 1, &advance);
        if (left < 0 || top < 0 || left + advance.cx > client.right || top + metrics.tmHeight > client.bottom)
            return "";
        std::string ink;
        for (int y = top; y < top + metrics.tmHeight; ++y) {
            for (int x = left; x < left + advance.cx; ++x) ink += canvas.At(x, y) == background ? '.' : '#';
            ink += '\n';
        }
        return ink;
    }

private:
    static RECT ClientRect(HWND window)
    {
        RECT rect;
        GetClientRect(window, &rect);
        return rect;
    }

    HWND view;
    RECT client;
    Canvas canvas;
    COLORREF background;
};

int InkedRows(const std::string& ink)
{
    int rows = 0;
    bool inked = false;
    for (char c : ink) {
        if (c == '#') inked = true;
        if (c == '\n') {
            rows += inked;
            inked = false;
        }
    }
    return rows;
}

// The caption bar's pixels as they are on the screen, up to where the title
// of a short name ends.
std::string CaptionPixels()
{
    HWND window = program::MainWindow();
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    const int width = 200;
    const int height = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    Canvas canvas(width, height, RGB(1, 2, 3));
    HDC dc = GetWindowDC(window);
    BitBlt(canvas.Dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    std::string pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels += std::to_string(canvas.At(x, y)) + ' ';
    }
    return pixels;
}

// Every printable ASCII character and half-width kana.
std::string PrintableCharacters()
{
    std::string characters;
    for (int code = 0x21; code <= 0xDF; ++code) {
        if (code <= 0x7E || code >= 0xA1) characters += char(code);
    }
    return characters;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    // Opens path through File > Open, typing it into the real dialog.
    void Open(const std::string& path)
    {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::TypeFileName(path));
        program::Command(ID_FILE_OPEN);
        ASSERT_EQ(0u, answerer.Pending()) << answerer.Describe();
        ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
    }

    std::string WritePicture(const std::string& name, int width, int height, uint16_t bits)
    {
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteWholeFile(path, MakeBmp(width, height, bits).Serialize()));
        return path;
    }

    TempFolder folder;
};

TEST_F(MainWindow, FirstStartCreatesTheKeyAndUsesDefaults)
{
    EXPECT_TRUE(KeyExists());
    EXPECT_TRUE(StoredValues().empty());
    RECT rect = WindowRect();
    EXPECT_EQ(200, rect.left);
    EXPECT_EQ(200, rect.top);
    EXPECT_EQ(350, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);
    EXPECT_EQ("Korin", program::Title());
    EXPECT_EQ(0, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_HEADER_SUMMARY));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_NUMBERS_DECIMAL));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_BACKGROUND_BLACK));
    EXPECT_FALSE(HeaderViewShown());
    EXPECT_EQ(RGB(0, 0, 0), program::ClientPixel(program::MainWindow(), 10, 10));
}

TEST_F(MainWindow, RadioMarksFollowTheViewCommands)
{
    program::Command(ID_VIEW_FIT_TO_WINDOW);
    program::Command(ID_VIEW_HEADER_MEMBERS);
    program::Command(ID_VIEW_NUMBERS_HEX);
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    EXPECT_EQ(1, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(1, MarkedItem(ID_VIEW_HEADER_SUMMARY));
    EXPECT_EQ(1, MarkedItem(ID_VIEW_NUMBERS_DECIMAL));
    EXPECT_EQ(1, MarkedItem(ID_VIEW_BACKGROUND_BLACK));
    program::Command(ID_VIEW_ACTUAL_SIZE);
    program::Command(ID_VIEW_HEADER_SUMMARY);
    EXPECT_EQ(0, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_HEADER_SUMMARY));
}

TEST_F(MainWindow, ExitWritesWindowPlaceAndViewOptions)
{
    MoveWindow(program::MainWindow(), 120, 130, 400, 300, TRUE);
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    program::Command(ID_VIEW_NUMBERS_HEX);
    program::Command(ID_FILE_EXIT);
    EXPECT_FALSE(IsWindow(program::MainWindow()));

    // The two values, the palette window's own value for its grid, and the
    // zoomed view's value.
    EXPECT_EQ(4u, StoredValues().size());
    EXPECT_EQ(4u, Stored("PaletteView").data.size());
    EXPECT_EQ(8u, Stored("ViewZoom").data.size());
    StoredValue windowPlace = Stored("WindowPlace");
    StoredValue viewOptions = Stored("ViewOpt");
    for (const StoredValue& value : {windowPlace, viewOptions}) {
        EXPECT_EQ(DWORD(REG_BINARY), value.type) << value.name;
        ASSERT_EQ(16u, value.data.size()) << value.name;
    }
    RECT place;
    std::memcpy(&place, windowPlace.data.data(), 16);
    EXPECT_EQ(120, place.left);
    EXPECT_EQ(130, place.top);
    EXPECT_EQ(520, place.right);
    EXPECT_EQ(430, place.bottom);
    const std::string expected("\0\0\0\0" "\0\0\0\0" "\1\0\0\0" "\1\0\0\0", 16);
    EXPECT_EQ(expected, viewOptions.data) << "fit, header, padding, detail, hex, white";
}

TEST_F(MainWindow, SettingsComeBackAtTheNextStart)
{
    MoveWindow(program::MainWindow(), 150, 160, 420, 260, TRUE);
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    program::Command(ID_VIEW_SHOW_HEADER);
    program::Command(ID_VIEW_FIT_TO_WINDOW);
    program::Command(ID_FILE_EXIT);

    program::Restart(false);
    RECT rect = WindowRect();
    EXPECT_EQ(150, rect.left);
    EXPECT_EQ(160, rect.top);
    EXPECT_EQ(420, rect.right - rect.left);
    EXPECT_TRUE(HeaderViewShown());
    EXPECT_EQ(1, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(1, MarkedItem(ID_VIEW_BACKGROUND_BLACK));
    program::Command(ID_VIEW_SHOW_PICTURE);
    EXPECT_EQ(RGB(255, 255, 255), program::ClientPixel(program::MainWindow(), 5, 5));
}

TEST_F(MainWindow, DeletedKeyIsNotWrittenBackAndTheNextStartUsesDefaults)
{
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press(IDYES));
        program::Command(ID_FILE_DELETE_REGISTRY);
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("ﾚｼﾞｽﾄﾘｷｰを削除してもよろしいですか?", answerer.Seen()[0].text);
        EXPECT_EQ("Korin", answerer.Seen()[0].caption);
    }
    EXPECT_FALSE(KeyExists());
    program::Command(ID_FILE_EXIT);
    EXPECT_FALSE(KeyExists()) << "the values were written back";

    program::Restart(false);
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(200, WindowRect().left);
    EXPECT_EQ(0, MarkedItem(ID_VIEW_BACKGROUND_BLACK));
}

TEST_F(MainWindow, AnsweringNoKeepsTheKey)
{
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDNO));
    program::Command(ID_FILE_DELETE_REGISTRY);
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(KeyExists());
}

// Guards against storing a minimised or maximised rectangle, which would bring
// the window back as an icon-sized or screen-sized normal window.
TEST_F(MainWindow, ExitStoresTheNormalRectangleEvenWhenMaximisedOrMinimised)
{
    for (int state : {SW_MAXIMIZE, SW_MINIMIZE}) {
        program::Restart(true);
        MoveWindow(program::MainWindow(), 110, 120, 360, 240, TRUE);
        ShowWindow(program::MainWindow(), state);
        program::Pump();
        program::Command(ID_FILE_EXIT);
        StoredValue stored = Stored("WindowPlace");
        ASSERT_EQ(16u, stored.data.size());
        RECT place;
        std::memcpy(&place, stored.data.data(), 16);
        EXPECT_EQ(110, place.left) << state;
        EXPECT_EQ(120, place.top) << state;
        EXPECT_EQ(470, place.right) << state;
        EXPECT_EQ(360, place.bottom) << state;
    }
}

// Guards against a stored rectangle that would hide the window: off every
// screen, empty, inside out, or too short to be a rectangle.
TEST_F(MainWindow, UnusableWindowPlaceFallsBackToTheDefault)
{
    RECT offScreen = {20000, 20000, 20350, 20200};
    RECT inverted = {300, 300, 100, 100};
    RECT empty = {300, 300, 300, 300};
    for (const RECT* place : {&offScreen, &inverted, &empty}) {
        program::Stop();
        Store("WindowPlace", place, sizeof *place);
        program::Restart(false);
        EXPECT_EQ(200, WindowRect().left) << place->left;
        EXPECT_EQ(350, WindowRect().right - WindowRect().left) << place->left;
    }
    program::Stop();
    RECT good = {40, 50, 440, 350};
    Store("WindowPlace", &good, 8);
    program::Restart(false);
    EXPECT_EQ(200, WindowRect().left) << "a value shorter than a rectangle";

    program::Stop();
    Store("WindowPlace", &good, sizeof good);
    program::Restart(false);
    EXPECT_EQ(40, WindowRect().left);
}

// Guards against view settings the program never writes (a stray detail mode,
// a long value) putting the window in a state no command can reach.
TEST_F(MainWindow, StrangeViewSettingsAreBroughtBackToKnownOnes)
{
    program::Stop();
    ViewOptions strange = {7, 9, 7, -3, 42};
    Store("ViewOpt", &strange, sizeof strange);
    program::Restart(false);
    EXPECT_EQ(1, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_HEADER_SUMMARY));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_NUMBERS_DECIMAL));
    EXPECT_EQ(0, MarkedItem(ID_VIEW_BACKGROUND_BLACK));
    EXPECT_TRUE(HeaderViewShown());

    program::Stop();
    char tooLong[20] = {1, 1};
    Store("ViewOpt", tooLong, sizeof tooLong);
    program::Restart(false);
    EXPECT_FALSE(HeaderViewShown()) << "a value longer than 16 bytes is ignored";
}

TEST_F(MainWindow, TheWindowCannotBeDraggedSmallerThanTheMinimum)
{
    MINMAXINFO limits;
    std::memset(&limits, 0, sizeof limits);
    limits.ptMaxTrackSize.x = 1234;
    SendMessageA(program::MainWindow(), WM_GETMINMAXINFO, 0, LPARAM(&limits));
    EXPECT_EQ(330, limits.ptMinTrackSize.x);
    EXPECT_EQ(100, limits.ptMinTrackSize.y);
    EXPECT_EQ(1234, limits.ptMaxTrackSize.x) << "other members untouched";
}

TEST_F(MainWindow, TabTogglesPictureAndHeaderView)
{
    program::PressKey(VK_TAB);
    program::Pump();
    EXPECT_TRUE(HeaderViewShown());
    RECT view;
    GetWindowRect(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW), &view);
    EXPECT_EQ(ClientSize().cx, view.right - view.left);
    EXPECT_EQ(ClientSize().cy, view.bottom - view.top);
    program::PressKey(VK_TAB);
    program::Pump();
    EXPECT_FALSE(HeaderViewShown());

    program::Command(ID_VIEW_SHOW_HEADER);
    program::Command(ID_VIEW_SHOW_HEADER);
    EXPECT_TRUE(HeaderViewShown()) << "the menu item only shows";
    MoveWindow(program::MainWindow(), 200, 200, 500, 400, TRUE);
    program::Pump();
    GetWindowRect(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW), &view);
    EXPECT_EQ(ClientSize().cx, view.right - view.left) << "the view follows the window";
    EXPECT_EQ(ClientSize().cy, view.bottom - view.top);
    program::Command(ID_VIEW_SHOW_PICTURE);
    program::Command(ID_VIEW_SHOW_PICTURE);
    EXPECT_FALSE(HeaderViewShown());
}

TEST_F(MainWindow, HeaderViewUsesItsJapaneseFont)
{
    HFONT font = HFONT(SendMessageA(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW), WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, font);
    LOGFONTA description;
    ASSERT_NE(0, GetObjectA(font, sizeof description, &description));
    EXPECT_EQ(12, description.lfHeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, description.lfCharSet);
    EXPECT_STREQ("ＭＳ ゴシック", description.lfFaceName);
}

// Guards against a font that leaves "_" blank or draws "~" and "^" as flat
// lines: a file name must read in the report as it is on disk.
TEST_F(MainWindow, HeaderViewDrawsEveryCharacterInsideItsCell)
{
    const std::string name = "ﾊﾟﾚｯﾄ_~^@ｶﾗｰ.bmp";
    Open(WritePicture(name, 4, 2, 8));
    program::Command(ID_VIEW_SHOW_HEADER);
    MoveWindow(program::MainWindow(), 0, 0, 1000, 700, TRUE);  // room for a long temporary path
    {
        HeaderViewCells cells;
        int line = 0;
        while (line < cells.LineCount() && cells.Line(line).find(name) == std::string::npos) ++line;
        ASSERT_LT(line, cells.LineCount()) << "the report names the file";
        std::string path = cells.Line(line);
        for (size_t column = 0; column < path.size(); ++column) {
            if (path[column] == ' ') continue;
            EXPECT_NE(std::string::npos, cells.Ink(line, int(column)).find('#'))
                << "no ink for '" << path[column] << "' in " << path;
        }
    }

    // Every printable ASCII character and half-width kana, a line for each
    // 32 codes; only the line-like ones may be one row tall, and no two may
    // look alike.
    std::string text;
    for (char c : PrintableCharacters()) {
        text += c;
        if (BYTE(c) % 32 == 31 || c == '~') text += "\r\n";
    }
    SetDlgItemTextA(program::MainWindow(), IDC_HEADER_VIEW, text.c_str());
    HeaderViewCells cells;
    const std::string lineLike = "-._ｰ･";
    std::set<std::string> seen;
    for (int line = 0; line < cells.LineCount(); ++line) {
        std::string characters = cells.Line(line);
        for (size_t column = 0; column < characters.size(); ++column) {
            char c = characters[column];
            std::string ink = cells.Ink(line, int(column));
            SCOPED_TRACE(std::string("'") + c + "' (" + std::to_string(BYTE(c)) + ")\n" + ink);
            ASSERT_FALSE(ink.empty()) << "outside the view";
            int rows = InkedRows(ink);
            EXPECT_GE(rows, lineLike.find(c) == std::string::npos ? 2 : 1);
            EXPECT_TRUE(seen.insert(ink).second) << "looks like another character";
        }
    }
    EXPECT_EQ(94u + 63u, seen.size());
}

// Guards against a caption font that leaves "_" blank: the title must show the
// file name as it is on disk.
TEST_F(MainWindow, TitleBarDrawsEveryCharacter)
{
    const std::string name = "ﾊﾟﾚｯﾄ_~^@ｶﾗｰ.bmp";
    Open(WritePicture(name, 4, 2, 8));
    ASSERT_EQ("Korin [" + name + "]", program::Title());
    SetWindowTextA(program::MainWindow(), "Korin [ ]");
    const std::string blank = CaptionPixels();
    for (char c : PrintableCharacters()) {
        SetWindowTextA(program::MainWindow(), (std::string("Korin [") + c + "]").c_str());
        EXPECT_NE(blank, CaptionPixels()) << "no ink for '" << c << "' (" << int(BYTE(c)) << ")";
    }
}

TEST_F(MainWindow, BackgroundCommandsRepaintTheClientArea)
{
    HWND window = program::MainWindow();
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    EXPECT_EQ(RGB(255, 255, 255), program::ClientPixel(window, 20, 20));
    program::Command(ID_VIEW_BACKGROUND_BLACK);
    EXPECT_EQ(RGB(0, 0, 0), program::ClientPixel(window, 20, 20));
}

TEST_F(MainWindow, PictureIsDrawnAtActualSizeAndStretched)
{
    // 4 × 2, 8 bits: the default pattern gives every pixel its own index.
    BmpBytes bmp = MakeBmp(4, 2, 8, 2);
    bmp.table = std::string("\x00\x00\xFF\x00" "\xFF\x00\x00\x00", 8);
    bmp.pixels = std::string("\x01\x01\x01\x01" "\x00\x00\x00\x00", 8);  // bottom blue, top red
    std::string path = folder.File("two rows.bmp");
    ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
    Open(path);
    HWND window = program::MainWindow();
    program::Command(ID_VIEW_BACKGROUND_WHITE);
    EXPECT_EQ(RGB(255, 0, 0), program::ClientPixel(window, 0, 0));
    EXPECT_EQ(RGB(0, 0, 255), program::ClientPixel(window, 3, 1));
    EXPECT_EQ(RGB(255, 255, 255), program::ClientPixel(window, 4, 0)) << "background beside it";
    EXPECT_EQ(RGB(255, 255, 255), program::ClientPixel(window, 0, 2)) << "background below it";

    program::Command(ID_VIEW_FIT_TO_WINDOW);
    SIZE client = ClientSize();
    EXPECT_EQ(RGB(255, 0, 0), program::ClientPixel(window, client.cx - 1, client.cy / 4));
    EXPECT_EQ(RGB(0, 0, 255), program::ClientPixel(window, client.cx - 1, client.cy - 1));

    program::Command(ID_VIEW_SHOW_HEADER);
    program::Command(ID_VIEW_SHOW_PICTURE);
    EXPECT_EQ(RGB(0, 0, 255), program::ClientPixel(window, 2, client.cy - 2));
}

TEST_F(MainWindow, FitToPictureGivesTheClientThePictureSize)
{
    program::Command(ID_WINDOW_FIT_TO_PICTURE);
    EXPECT_EQ(350, WindowRect().right - WindowRect().left) << "nothing without a document";
    program::Command(ID_VIEW_FIT_TO_WINDOW);
    Open(WritePicture("wide.bmp", 640, 480, 8));
    program::PressKey(VK_F6);
    SIZE client = ClientSize();
    EXPECT_EQ(640, client.cx);
    EXPECT_EQ(480, client.cy);
    EXPECT_EQ(0, MarkedItem(ID_VIEW_ACTUAL_SIZE));
    EXPECT_EQ(200, WindowRect().left);

    Open(WritePicture("top-down.bmp", 400, -120, 24));
    program::Command(ID_WINDOW_FIT_TO_PICTURE);
    EXPECT_EQ(400, ClientSize().cx);
    EXPECT_EQ(120, ClientSize().cy) << "a top-down picture's height counts as positive";
}

TEST_F(MainWindow, KeepRatioSetsTheClientHeightForTheWidth)
{
    program::Command(ID_WINDOW_KEEP_RATIO);
    EXPECT_EQ(200, WindowRect().bottom - WindowRect().top) << "nothing without a document";
    Open(WritePicture("ratio.bmp", 300, 199, 8));
    // The picture's scroll bar goes once the window is tall enough: sized
    // again until the client has the width.
    for (int i = 0; i < 2 && ClientSize().cx != 500; ++i) {
        RECT outer = WindowRect();
        RECT client;
        GetClientRect(program::MainWindow(), &client);
        MoveWindow(program::MainWindow(), outer.left, outer.top,
                   500 + (outer.right - outer.left) - client.right, 300, TRUE);
        program::Pump();
    }
    ASSERT_EQ(500, ClientSize().cx);
    int width = WindowRect().right - WindowRect().left;
    program::PressKey(VK_F7);
    EXPECT_EQ(331, ClientSize().cy);
    EXPECT_EQ(500, ClientSize().cx);
    EXPECT_EQ(width, WindowRect().right - WindowRect().left);
    EXPECT_EQ(1, MarkedItem(ID_VIEW_ACTUAL_SIZE));
}

// Guards F7 against signed overflow: 30000 × 500 wraps 32-bit arithmetic for
// a tall picture in a wide window; the result must stay a sane height.
TEST_F(MainWindow, KeepRatioWithAHugeProductStaysSane)
{
    Open(WritePicture("tall.bmp", 1, 30000, 1));
    RECT client;
    GetClientRect(program::MainWindow(), &client);
    ASSERT_GT(client.right, 0);
    program::Command(ID_WINDOW_KEEP_RATIO);
    RECT outer = WindowRect();
    EXPECT_GT(outer.bottom - outer.top, 1000);
    EXPECT_LE(outer.bottom - outer.top, 32767);
}

}  // namespace
