// The color panel's model choice as a user works it: fields and sliders in
// HSV, switching models over a color, the gamut's end on an OKLCH slider, and
// the choice kept from one start to the next.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/globals.h"
#include "color/color_model.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
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

COLORREF Pixel(int id, int x, int y)
{
    return program::ClientPixel(Control(id), x, y);
}

// As picking an item from the list does it.
void Choose(ColorModel model)
{
    HWND choice = Control(IDC_PANEL_MODEL);
    SendMessageA(choice, CB_SETCURSEL, WPARAM(model), 0);
    SendMessageA(Panel(), WM_COMMAND, MAKEWPARAM(IDC_PANEL_MODEL, CBN_SELCHANGE), LPARAM(choice));
    program::Pump();
}

void TypeAndEnter(int field, const char* text)
{
    SetWindowTextA(Control(field), text);
    SendMessageA(Control(field), WM_KEYDOWN, VK_RETURN, 1);
    program::Pump();
}

void PressEnterButton()
{
    SendMessageA(Control(IDC_ENTER_BUTTON), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(Control(IDC_ENTER_BUTTON), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    program::Pump();
}

class ColorPanelModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program::Restart(true);
        BmpBytes bmp = MakeBmp(4, 2, 8, 16);
        path = folder.File("models.bmp");
        ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::TypeFileName(path));
        program::Command(ID_FILE_OPEN);
        ASSERT_EQ(0u, answerer.Pending()) << answerer.Describe();
        program::PressKey(VK_F4);
        SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
        program::Pump();
        ASSERT_TRUE(colorPanel->IsVisible());
        HWND grid = GetDlgItem(paletteWindow.Hwnd(), IDC_PALETTE_GRID);
        SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + 22 * 2 + 10, 5 + 10));  // entry 2
        program::Pump();
    }
    void TearDown() override { program::Stop(); }

    TempFolder folder;
    std::string path;
};

TEST_F(ColorPanelModelTest, HsvFieldsAndSlidersEditTheColorEnterWrites)
{
    Choose(ColorModel::Hsv);
    colorPanel->SetCurrentColor(0x020000FF);  // red
    EXPECT_EQ("0", Text(IDC_RED_FIELD));
    EXPECT_EQ("100", Text(IDC_GREEN_FIELD));
    EXPECT_EQ("100", Text(IDC_BLUE_FIELD));

    TypeAndEnter(IDC_RED_FIELD, "120");  // hue 120: green
    EXPECT_EQ("00ff00", Text(IDC_HEX_TEXT));
    EXPECT_EQ(RGB(0, 255, 0), Pixel(IDC_PREVIEW, 5, 5));
    TypeAndEnter(IDC_BLUE_FIELD, "50");  // value 50 %: half of 255, rounded
    EXPECT_EQ("008000", Text(IDC_HEX_TEXT));
    TypeAndEnter(IDC_GREEN_FIELD, "400");
    EXPECT_EQ("100", Text(IDC_GREEN_FIELD)) << "held to the saturation's range";
    PressEnterButton();
    EXPECT_EQ(0x02008000u, paletteWindow.WorkingTable().GetPackedColor(2));

    // The gradients are drawn in HSV: hue runs round the circle, value from black.
    EXPECT_EQ(RGB(128, 0, 0), Pixel(IDC_RED_SLIDER, 0, 5));
    EXPECT_EQ(RGB(0, 128, 128), Pixel(IDC_RED_SLIDER, 128, 5)) << "hue 180";
    EXPECT_EQ(RGB(0, 0, 0), Pixel(IDC_BLUE_SLIDER, 0, 5));
    EXPECT_EQ(RGB(0, 255, 0), Pixel(IDC_BLUE_SLIDER, 255, 5));
    // The hue marker stands over the column that draws 120.
    RECT marker;
    GetWindowRect(Control(IDC_RED_MARKER), &marker);
    POINT origin = {marker.left, marker.top};
    ScreenToClient(Panel(), &origin);
    EXPECT_EQ((120 * 256 + 359) / 360 + 11, origin.x);

    // The up-down arrows step the hue and wrap around the circle.
    TypeAndEnter(IDC_RED_FIELD, "0");
    HWND upDown = Control(IDC_RED_UPDOWN);
    SendMessageA(upDown, UDM_SETPOS, 0, 0);  // the up arrow's step
    SendMessageA(Panel(), WM_VSCROLL, SB_THUMBPOSITION, LPARAM(upDown));
    program::Pump();
    EXPECT_EQ("359", Text(IDC_RED_FIELD));
}

// Guards against converting a color that nobody moved: most colors have no
// exact integer HSV, HSL or OKLCH name, and switching must not round them.
TEST_F(ColorPanelModelTest, SwitchingModelsWithoutMovingKeepsTheColorExactly)
{
    const uint8_t rgb[3] = {1, 3, 44};
    int32_t values[3];
    uint8_t named[3];
    ColorToModel(ColorModel::Hsv, rgb, values);
    ModelToColor(ColorModel::Hsv, values, named);
    ASSERT_NE(rgb[2], named[2]) << "the color must be one the HSV values cannot name";

    colorPanel->SetCurrentColor(0x022C0301);
    for (ColorModel model : {ColorModel::Hsv, ColorModel::Hsl, ColorModel::Oklch, ColorModel::Hsv}) {
        Choose(model);
        EXPECT_EQ("01032c", Text(IDC_HEX_TEXT)) << int(model);
        EXPECT_EQ(RGB(1, 3, 44), Pixel(IDC_PREVIEW, 5, 5)) << int(model);
        PressEnterButton();
        EXPECT_EQ(0x022C0301u, paletteWindow.WorkingTable().GetPackedColor(2)) << int(model);
    }
    // Back in RGB the panel is as it always was.
    Choose(ColorModel::Rgb);
    EXPECT_EQ("1", Text(IDC_RED_FIELD));
    EXPECT_EQ("3", Text(IDC_GREEN_FIELD));
    EXPECT_EQ("44", Text(IDC_BLUE_FIELD));
    EXPECT_EQ(RGB(255, 3, 44), Pixel(IDC_RED_SLIDER, 255, 5));
    SendMessageA(Control(IDC_RED_SLIDER), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(310, 5));
    SendMessageA(Control(IDC_RED_SLIDER), WM_LBUTTONUP, 0, MAKELPARAM(310, 5));
    program::Pump();
    EXPECT_EQ(54, colorPanel->red) << "a click keeps the low 8 bits of its column";
}

TEST_F(ColorPanelModelTest, OklchChromaSliderIsGreyPastTheGamut)
{
    Choose(ColorModel::Oklch);
    colorPanel->SetCurrentColor(0x02404080);  // red 0x80, green 0x40, blue 0x40
    EXPECT_EQ("804040", Text(IDC_HEX_TEXT)) << "the color, not the model";
    const COLORREF start = Pixel(IDC_GREEN_SLIDER, 0, 5);
    EXPECT_EQ(GetRValue(start), GetGValue(start)) << "chroma 0 is a grey of the color's lightness";
    EXPECT_EQ(RGB(160, 160, 160), Pixel(IDC_GREEN_SLIDER, 255, 5)) << "no sRGB color has chroma 0.37";
    EXPECT_NE(RGB(160, 160, 160), Pixel(IDC_GREEN_SLIDER, 20, 5));
}

TEST_F(ColorPanelModelTest, ChoiceIsKeptAfterARestart)
{
    EXPECT_EQ(0, SendMessageA(Control(IDC_PANEL_MODEL), CB_GETCURSEL, 0, 0)) << "RGB at first";
    Choose(ColorModel::Hsl);
    program::Restart(false);
    EXPECT_EQ(ColorModel::Hsl, colorPanel->Model());
    EXPECT_EQ(2, SendMessageA(Control(IDC_PANEL_MODEL), CB_GETCURSEL, 0, 0));
    colorPanel->SetCurrentColor(0x02FFFFFF);
    EXPECT_EQ("100", Text(IDC_BLUE_FIELD)) << "white's lightness";

    Choose(ColorModel::Rgb);
    program::Restart(false);
    EXPECT_EQ(ColorModel::Rgb, colorPanel->Model());
    EXPECT_EQ(0, SendMessageA(Control(IDC_PANEL_MODEL), CB_GETCURSEL, 0, 0));
}

}  // namespace
