// The color panel as a user works it: the color of a selected cell, sliders,
// entry fields, up-down arrows, the Enter button, its keys, and the whole way
// from a picture to a saved file with an edited color.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

HWND Panel()
{
    return colorPanel->Hwnd();
}

HWND Control(int id)
{
    return GetDlgItem(Panel(), id);
}

std::string Text(int id)
{
    return ItemText(Panel(), id);
}

// A control's position in the panel's client coordinates.
POINT ControlOrigin(int id)
{
    RECT rect;
    GetWindowRect(Control(id), &rect);
    POINT origin = {rect.left, rect.top};
    ScreenToClient(Panel(), &origin);
    return origin;
}

COLORREF Pixel(int id, int x, int y)
{
    return program::ClientPixel(Control(id), x, y);
}

void Click(HWND window, UINT down, UINT up, int x, int y)
{
    SendMessageA(window, down, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, up, 0, MAKELPARAM(x, y));
    program::Pump();
}

class ColorPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program::Restart(true);
        // A 4 × 2 8-bit picture with 16 entries of known colors.
        BmpBytes bmp = MakeBmp(4, 2, 8, 16);
        for (int i = 0; i < 16; ++i) {
            bmp.table[4 * i + 0] = char(i * 16);      // blue
            bmp.table[4 * i + 1] = char(255 - i);     // green
            bmp.table[4 * i + 2] = char(i * 10 + 5);  // red
        }
        picture = bmp;
        path = folder.File("colors.bmp");
        ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::TypeFileName(path));
        program::Command(ID_FILE_OPEN);
        ASSERT_EQ(0u, answerer.Pending()) << answerer.Describe();
    }
    void TearDown() override { program::Stop(); }

    void ShowPaletteAndPanel()
    {
        program::PressKey(VK_F4);
        ASSERT_TRUE(paletteWindow.IsVisible());
        SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
        program::Pump();
        ASSERT_TRUE(colorPanel->IsVisible());
    }

    void SelectCell(int column, int row)
    {
        HWND grid = GetDlgItem(paletteWindow.Hwnd(), IDC_PALETTE_GRID);
        SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + 22 * column + 10, 5 + 22 * row + 10));
        program::Pump();
    }

    void ActivatePanel()
    {
        SetActiveWindow(Panel());
        SetFocus(Control(IDC_RED_FIELD));
        program::Pump();
    }

    TempFolder folder;
    std::string path;
    BmpBytes picture;
};

TEST_F(ColorPanelTest, SelectedCellsColorFillsTheFieldsMarkersAndPreview)
{
    ShowPaletteAndPanel();
    colorPanel->SetCurrentColor(0x0280FF40);  // the palette marker byte is ignored
    EXPECT_EQ("40ff80", Text(IDC_HEX_TEXT));
    EXPECT_EQ("64", Text(IDC_RED_FIELD));
    EXPECT_EQ("255", Text(IDC_GREEN_FIELD));
    EXPECT_EQ("128", Text(IDC_BLUE_FIELD));
    EXPECT_EQ(RGB(0x40, 0xFF, 0x80), Pixel(IDC_PREVIEW, 5, 5));
    EXPECT_EQ(64 + 11, ControlOrigin(IDC_RED_MARKER).x);
    EXPECT_EQ(255 + 11, ControlOrigin(IDC_GREEN_MARKER).x);
    EXPECT_EQ(128 + 11, ControlOrigin(IDC_BLUE_MARKER).x);
    EXPECT_EQ(37, ControlOrigin(IDC_GREEN_MARKER).y);

    SelectCell(3, 0);
    EXPECT_EQ("35", Text(IDC_RED_FIELD)) << "entry 3";
    EXPECT_EQ("0x23fc30", "0x" + Text(IDC_HEX_TEXT));
}

TEST_F(ColorPanelTest, HiddenPanelOnlyRewritesItsFieldsAndPlacesMarkersWhenShown)
{
    ShowPaletteAndPanel();
    colorPanel->SetCurrentColor(0x02000000);
    SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);  // hide it
    program::Pump();
    ASSERT_FALSE(IsWindowVisible(Panel()));
    colorPanel->SetCurrentColor(0x02C86432);
    EXPECT_EQ("50", Text(IDC_RED_FIELD));
    EXPECT_EQ("100", Text(IDC_GREEN_FIELD));
    EXPECT_EQ("200", Text(IDC_BLUE_FIELD));
    EXPECT_EQ("3264c8", Text(IDC_HEX_TEXT));
    EXPECT_EQ(11, ControlOrigin(IDC_RED_MARKER).x) << "no marker moves while hidden";

    SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
    program::Pump();
    EXPECT_EQ(50 + 11, ControlOrigin(IDC_RED_MARKER).x) << "markers follow once shown";
    EXPECT_EQ(200 + 11, ControlOrigin(IDC_BLUE_MARKER).x);
    EXPECT_EQ(RGB(50, 100, 200), Pixel(IDC_PREVIEW, 3, 3));
}

// Guards the arrows against stepping twice or not at all: the control also
// reports the end of each click, and a new panel's first up click has to work.
TEST_F(ColorPanelTest, UpDownArrowsStepOnceAndWrapAround)
{
    ShowPaletteAndPanel();
    colorPanel->SetCurrentColor(0x0200FF00);  // red 0, green 255
    HWND redArrows = Control(IDC_RED_UPDOWN);
    HWND greenArrows = Control(IDC_GREEN_UPDOWN);
    RECT arrows;
    GetClientRect(redArrows, &arrows);
    const int upY = 2, downY = arrows.bottom - 3, x = arrows.right / 2;
    Click(redArrows, WM_LBUTTONDOWN, WM_LBUTTONUP, x, upY);
    EXPECT_EQ("255", Text(IDC_RED_FIELD)) << "up at 0 wraps to 255";
    Click(greenArrows, WM_LBUTTONDOWN, WM_LBUTTONUP, x, downY);
    EXPECT_EQ("0", Text(IDC_GREEN_FIELD)) << "down at 255 wraps to 0";
    Click(greenArrows, WM_LBUTTONDOWN, WM_LBUTTONUP, x, downY);
    EXPECT_EQ("1", Text(IDC_GREEN_FIELD));
    EXPECT_EQ("ff0100", Text(IDC_HEX_TEXT));
    EXPECT_EQ(1 + 11, ControlOrigin(IDC_GREEN_MARKER).x);
}

TEST_F(ColorPanelTest, ChannelKeysFocusTheirFieldWithTheTextSelected)
{
    ShowPaletteAndPanel();
    colorPanel->SetCurrentColor(0x02030201);
    ActivatePanel();
    struct Case { UINT key; int field; } cases[] = {
        {'G', IDC_GREEN_FIELD}, {'B', IDC_BLUE_FIELD}, {'R', IDC_RED_FIELD},
    };
    for (const Case& c : cases) {
        program::PressKey(c.key);
        EXPECT_EQ(Control(c.field), GetFocus()) << char(c.key);
        DWORD start = 0, end = 0;
        SendMessageA(Control(c.field), EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(1u, end) << "the whole one-digit text";
    }

    // From the palette window the keys reach the panel only while it is shown.
    SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
    SetActiveWindow(paletteWindow.Hwnd());
    SetFocus(GetDlgItem(paletteWindow.Hwnd(), IDC_PALETTE_GRID));
    program::PressKey('B');
    EXPECT_NE(Control(IDC_BLUE_FIELD), GetFocus());
}

TEST_F(ColorPanelTest, EntryFieldsTakeDigitsOnlyAndCommitOnEnter)
{
    ShowPaletteAndPanel();
    ActivatePanel();
    HWND red = Control(IDC_RED_FIELD);
    SetWindowTextA(red, "");
    for (char c : std::string("4a2-\b7")) SendMessageA(red, WM_CHAR, WPARAM(BYTE(c)), 1);
    EXPECT_EQ("427", WindowText(red)) << "letters, signs and Backspace are dropped";

    struct Case { const char* typed; const char* shown; } cases[] = {
        {"427", "255"}, {"0001", "255"}, {"", "0"}, {"042", "42"},
    };
    for (const Case& c : cases) {
        SetWindowTextA(red, c.typed);
        SendMessageA(red, WM_KEYDOWN, VK_RETURN, 1);
        program::Pump();
        EXPECT_EQ(c.shown, WindowText(red)) << c.typed;
        EXPECT_EQ(std::stoi(c.shown), colorPanel->red) << c.typed;
    }
    EXPECT_EQ(RGB(42, 0, 0), Pixel(IDC_PREVIEW, 2, 2));
    EXPECT_EQ(42 + 11, ControlOrigin(IDC_RED_MARKER).x);
}

// After the Enter button the panel is active with the focus in a field:
// undo, redo, copy and paste act on the palette from there as from its grid,
// the field keeps taking digits only, and the hexadecimal field copies its
// own text.
TEST_F(ColorPanelTest, EditKeysInTheFieldsActOnThePalette)
{
    ShowPaletteAndPanel();
    SelectCell(1, 0);
    const uint32_t original = paletteWindow.WorkingTable().GetPackedColor(1);
    colorPanel->SetCurrentColor(0x02332211);
    SendMessageA(Control(IDC_ENTER_BUTTON), WM_LBUTTONUP, 0, 0);
    ASSERT_EQ(0x02332211u, paletteWindow.WorkingTable().GetPackedColor(1));

    ActivatePanel();
    HWND red = Control(IDC_RED_FIELD);
    const struct {
        UINT key;
        bool shift;
        uint32_t entry;
        const char* field;
    } steps[] = {
        {'Z', false, original, "15"}, {'Y', false, 0x02332211u, "17"},
        {'Z', false, original, "15"}, {'Z', true, 0x02332211u, "17"},
    };
    for (const auto& step : steps) {
        program::PressKey(step.key, true, step.shift);
        EXPECT_EQ(step.entry, paletteWindow.WorkingTable().GetPackedColor(1)) << char(step.key) << step.shift;
        EXPECT_EQ(step.field, WindowText(red)) << "the panel shows the entry";
        EXPECT_EQ(red, GetFocus());
    }
    palette::PutOnClipboard("#abcdef 99");
    program::PressKey('V', true);
    EXPECT_EQ(0x02efcdabu, paletteWindow.WorkingTable().GetPackedColor(1)) << "pasted";
    EXPECT_EQ("171", WindowText(red)) << "nothing of the text in the field";
    palette::PutOnClipboard("");
    program::PressKey('C', true);
    EXPECT_EQ("#ABCDEF", palette::ClipboardText()) << "the entry copied";

    HWND hex = Control(IDC_HEX_TEXT);
    SetFocus(hex);
    SendMessageA(hex, EM_SETSEL, 0, -1);
    program::PressKey('C', true);
    EXPECT_EQ("abcdef", palette::ClipboardText()) << "the hexadecimal field copies its own text";
}

TEST_F(ColorPanelTest, TabAndShiftTabCycleTheFields)
{
    ShowPaletteAndPanel();
    ActivatePanel();
    SetFocus(Control(IDC_RED_FIELD));
    program::PressKey(VK_TAB, false, true);
    EXPECT_EQ(Control(IDC_BLUE_FIELD), GetFocus()) << "Shift+Tab from red";
    SendMessageA(Control(IDC_BLUE_FIELD), WM_KEYDOWN, VK_TAB, 1);  // plain Tab is an accelerator
    EXPECT_EQ(Control(IDC_RED_FIELD), GetFocus()) << "Tab from blue";
}

TEST_F(ColorPanelTest, DraggingASliderUpdatesEverythingButItsFieldUntilRelease)
{
    ShowPaletteAndPanel();
    colorPanel->SetCurrentColor(0x02204060);  // red 0x60, green 0x40, blue 0x20
    HWND slider = Control(IDC_RED_SLIDER);
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    EXPECT_EQ(slider, GetCapture());
    EXPECT_EQ("10", Text(IDC_RED_FIELD)) << "a click writes the field";
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5));
    program::Pump();
    EXPECT_EQ(200, colorPanel->red);
    EXPECT_EQ("10", Text(IDC_RED_FIELD)) << "a drag leaves the field";
    EXPECT_EQ("c84020", Text(IDC_HEX_TEXT));
    EXPECT_EQ(RGB(200, 0x40, 0x20), Pixel(IDC_PREVIEW, 4, 4));
    EXPECT_EQ(200 + 11, ControlOrigin(IDC_RED_MARKER).x);
    // The green slider's column 0 shows the color with green 0: red as dragged.
    EXPECT_EQ(RGB(200, 0, 0x20), Pixel(IDC_GREEN_SLIDER, 0, 5));
    EXPECT_EQ(RGB(200, 0x40, 255), Pixel(IDC_BLUE_SLIDER, 255, 5));

    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-40, 5));
    EXPECT_EQ(0, colorPanel->red) << "held at 0 past the left end";
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 5));
    EXPECT_EQ(255, colorPanel->red) << "held at 255 past the right end";
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(400, 5));
    program::Pump();
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ("255", Text(IDC_RED_FIELD));
    EXPECT_EQ(Control(IDC_RED_FIELD), GetFocus());
}

// Guards against a drag that goes on after the capture was taken away: plain
// mouse movement over a slider must not change the color.
TEST_F(ColorPanelTest, LosingTheCaptureEndsTheDrag)
{
    ShowPaletteAndPanel();
    HWND slider = Control(IDC_GREEN_SLIDER);
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 5));
    ASSERT_EQ(30, colorPanel->green);
    ReleaseCapture();
    program::Pump();
    SendMessageA(slider, WM_MOUSEMOVE, 0, MAKELPARAM(150, 5));
    EXPECT_EQ(30, colorPanel->green);
    EXPECT_EQ(0, colorPanel->dragging);
}

TEST_F(ColorPanelTest, EnterButtonWritesTheSelectedEntryOnReleaseAnywhere)
{
    ShowPaletteAndPanel();
    HWND button = Control(IDC_ENTER_BUTTON);
    colorPanel->SetCurrentColor(0x02010203);
    Click(button, WM_LBUTTONDOWN, WM_LBUTTONUP, 10, 10);
    EXPECT_FALSE(paletteWindow.IsModified()) << "nothing is written without a selected cell";

    SelectCell(5, 0);
    colorPanel->SetCurrentColor(0x02332211);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(button, GetCapture());
    EXPECT_NE(0x02332211u, paletteWindow.WorkingTable().GetPackedColor(5)) << "pressing alone writes nothing";
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(-200, 90));  // released far away
    program::Pump();
    EXPECT_EQ(0x02332211u, paletteWindow.WorkingTable().GetPackedColor(5));
    EXPECT_TRUE(paletteWindow.IsModified());
    HWND grid = GetDlgItem(paletteWindow.Hwnd(), IDC_PALETTE_GRID);
    EXPECT_EQ(RGB(0x11, 0x22, 0x33), program::ClientPixel(grid, 5 + 22 * 5 + 10, 5 + 10));
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), Pixel(IDC_ENTER_BUTTON, 0, 0)) << "the normal face is back";
}

TEST_F(ColorPanelTest, PaletteKeysWorkFromThePanel)
{
    ShowPaletteAndPanel();
    SelectCell(0, 0);
    colorPanel->SetCurrentColor(0x02000080);
    SendMessageA(Control(IDC_ENTER_BUTTON), WM_LBUTTONUP, 0, 0);
    ActivatePanel();

    program::PressKey(VK_F5);  // apply
    program::Pump();
    EXPECT_EQ("Korin [colors.bmp *]", program::Title());

    {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press(IDCANCEL));
        ActivatePanel();
        program::PressKey('S', true);
        program::PumpUntil([&] { return !answerer.Seen().empty() && answerer.Pending() == 0; });
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("名前をつけて保存", answerer.Seen()[0].caption) << "the palette's save dialog";
    }

    ActivatePanel();
    program::PressKey('O');
    program::Pump();
    EXPECT_FALSE(colorPanel->IsVisible());
    HMENU view = GetSubMenu(GetMenu(paletteWindow.Hwnd()), 1);
    EXPECT_FALSE(GetMenuState(view, ID_PALETTE_PANEL, MF_BYCOMMAND) & MF_CHECKED);

    SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
    ActivatePanel();
    program::PressKey(VK_F4);
    program::Pump();
    EXPECT_FALSE(paletteWindow.IsVisible());
    EXPECT_FALSE(IsWindowVisible(Panel()));
}

TEST_F(ColorPanelTest, CtrlTabCyclesFromThePanel)
{
    ShowPaletteAndPanel();
    ActivatePanel();
    program::PressKey(VK_TAB, true);
    EXPECT_EQ(program::MainWindow(), GetActiveWindow());
    ActivatePanel();
    program::PressKey(VK_TAB, true, true);
    EXPECT_EQ(paletteWindow.Hwnd(), GetActiveWindow());
}

HWND dragTarget;
POINT dragStart;
int dragStep;

void CALLBACK MoveTheMouse(HWND, UINT, UINT_PTR, DWORD)
{
    ++dragStep;
    if (dragStep < 4) {
        SetCursorPos(dragStart.x + 10 * dragStep, dragStart.y + 5 * dragStep);
        PostMessageA(dragTarget, WM_MOUSEMOVE, MK_LBUTTON, 0);
    } else {
        PostMessageA(dragTarget, WM_LBUTTONUP, 0, 0);
    }
}

TEST_F(ColorPanelTest, PanelIsDraggedByItsBackground)
{
    ShowPaletteAndPanel();
    RECT before;
    GetWindowRect(Panel(), &before);
    // A free spot between the preview and the hexadecimal field.
    POINT spot = {188, 130};
    POINT screen = spot;
    ClientToScreen(Panel(), &screen);
    SetCursorPos(screen.x, screen.y);
    ASSERT_TRUE(program::PumpUntil([&] {
        POINT now;
        GetCursorPos(&now);
        return now.x == screen.x && now.y == screen.y;
    }));
    // The move loop runs inside the posted caption press; the mouse goes on
    // from a timer, as a hand would.
    dragTarget = Panel();
    dragStart = screen;
    dragStep = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, MoveTheMouse);
    SendMessageA(Panel(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(spot.x, spot.y));
    program::PumpUntil([&] {
        RECT now;
        GetWindowRect(Panel(), &now);
        return now.left != before.left && GetCapture() == nullptr;
    }, 3000);
    KillTimer(nullptr, timer);
    RECT after;
    GetWindowRect(Panel(), &after);
    // The panel follows the pointer, which only went right and down.
    EXPECT_GT(after.left, before.left);
    EXPECT_GT(after.top, before.top);
    EXPECT_EQ(after.right - after.left, before.right - before.left) << "moved, not sized";
}

// The whole way: a picture opened, a cell's color edited in the panel,
// written into the palette, applied and saved; only that entry changes.
TEST_F(ColorPanelTest, EditedColorReachesTheSavedFileAndNothingElseChanges)
{
    ShowPaletteAndPanel();
    SelectCell(7, 0);
    HWND slider = Control(IDC_RED_SLIDER);
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(222, 5));
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(222, 5));
    HWND blue = Control(IDC_BLUE_FIELD);
    SetWindowTextA(blue, "");
    for (char c : std::string("17")) SendMessageA(blue, WM_CHAR, WPARAM(c), 1);
    SendMessageA(blue, WM_KEYDOWN, VK_RETURN, 1);
    Click(Control(IDC_ENTER_BUTTON), WM_LBUTTONDOWN, WM_LBUTTONUP, 5, 5);
    SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_KEY_F5, 0);
    program::Pump();
    SetActiveWindow(program::MainWindow());
    SetFocus(program::MainWindow());
    program::PressKey('S', true);
    EXPECT_EQ("Korin [colors.bmp]", program::Title());

    std::string saved = ReadWholeFile(path);
    std::string original = picture.Serialize();
    ASSERT_EQ(original.size(), saved.size());
    const size_t entry = 54 + 4 * 7;
    EXPECT_EQ(std::string("\x11\xF8\xDE\x00", 4), saved.substr(entry, 4)) << "blue 17, green kept, red 222";
    EXPECT_EQ(original.substr(0, entry), saved.substr(0, entry));
    EXPECT_EQ(original.substr(entry + 4), saved.substr(entry + 4)) << "other entries and every pixel";
}

}  // namespace
