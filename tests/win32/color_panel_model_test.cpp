// The color panel's model and depth choices as a user works them: fields and
// sliders in HSV, switching models over a color, the gamut's end on an OKLCH
// slider, the channels in a depth's steps, and the choices kept from one
// start to the next.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "app/globals.h"
#include "app/settings_store.h"
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

// Item 0 is 8 bits, then 6, 5, 4 and 3.
void ChooseDepth(int item)
{
    HWND choice = Control(IDC_PANEL_DEPTH);
    SendMessageA(choice, CB_SETCURSEL, WPARAM(item), 0);
    SendMessageA(Panel(), WM_COMMAND, MAKEWPARAM(IDC_PANEL_DEPTH, CBN_SELCHANGE), LPARAM(choice));
    program::Pump();
}

// A click on the upper (one down) or lower (one up) arrow of a channel.
void ClickArrow(int upDown, bool upper)
{
    RECT arrows;
    GetClientRect(Control(upDown), &arrows);
    const LPARAM at = MAKELPARAM(arrows.right / 2, upper ? 2 : arrows.bottom - 3);
    SendMessageA(Control(upDown), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(Control(upDown), WM_LBUTTONUP, 0, at);
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

// At 5 bits a level L shows as 8L + L/4: 90, 99, 107, ... 255. Every way of
// setting a channel lands on one and the arrows go from one to the next;
// 8 bits is the panel as it always was.
TEST_F(ColorPanelModelTest, DepthChoiceSetsTheChannelsInItsLevels)
{
    EXPECT_EQ(0, SendMessageA(Control(IDC_PANEL_DEPTH), CB_GETCURSEL, 0, 0)) << "8 bits at first";
    colorPanel->SetCurrentColor(0x02000000);
    TypeAndEnter(IDC_RED_FIELD, "100");
    ClickArrow(IDC_RED_UPDOWN, false);
    EXPECT_EQ("101", Text(IDC_RED_FIELD));

    ChooseDepth(2);
    EXPECT_EQ(5, colorPanel->Depth());
    EXPECT_EQ("650000", Text(IDC_HEX_TEXT)) << "choosing a depth leaves the color";
    HWND slider = Control(IDC_RED_SLIDER);
    struct Step {
        const char* what;
        std::function<void()> act;
        int red;
    };
    const Step steps[] = {
        {"lower arrow from 101", [] { ClickArrow(IDC_RED_UPDOWN, false); }, 107},
        {"upper arrow", [] { ClickArrow(IDC_RED_UPDOWN, true); }, 99},
        {"upper arrow again", [] { ClickArrow(IDC_RED_UPDOWN, true); }, 90},
        {"typed 100", [] { TypeAndEnter(IDC_RED_FIELD, "100"); }, 99},
        {"typed 0", [] { TypeAndEnter(IDC_RED_FIELD, "0"); }, 0},
        {"upper arrow at 0", [] { ClickArrow(IDC_RED_UPDOWN, true); }, 255},
        {"lower arrow at 255", [] { ClickArrow(IDC_RED_UPDOWN, false); }, 0},
        {"click at 130",
         [slider] {
             SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 5));
             program::Pump();
         },
         132},
        {"dragged to 200",
         [slider] {
             SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5));
             SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(200, 5));
             program::Pump();
         },
         198},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(step.red, colorPanel->red) << step.what;
        EXPECT_EQ(std::to_string(step.red), Text(IDC_RED_FIELD)) << step.what;
    }
    EXPECT_EQ(132, GetRValue(Pixel(IDC_RED_SLIDER, 130, 5))) << "the gradient is drawn in steps";
    EXPECT_EQ(123, GetRValue(Pixel(IDC_RED_SLIDER, 126, 5)));

    // In HSV the value moves by percent and the color it names is snapped.
    Choose(ColorModel::Hsv);
    colorPanel->SetCurrentColor(0x0200FF00);
    TypeAndEnter(IDC_BLUE_FIELD, "50");
    EXPECT_EQ("50", Text(IDC_BLUE_FIELD));
    EXPECT_EQ("008400", Text(IDC_HEX_TEXT)) << "half of 255 is 128, shown at 5 bits as 132";
    Choose(ColorModel::Rgb);

    // Kept after a restart, beside the model; a value stored before there was
    // a depth reads as 8 bits.
    program::Restart(false);
    EXPECT_EQ(5, colorPanel->Depth());
    EXPECT_EQ(2, SendMessageA(Control(IDC_PANEL_DEPTH), CB_GETCURSEL, 0, 0));
    const uint32_t hslAlone = uint32_t(ColorModel::Hsl);
    settingsStore.WriteValue("PanelView", &hslAlone, sizeof hslAlone);
    program::Restart(false);
    EXPECT_EQ(ColorModel::Hsl, colorPanel->Model());
    EXPECT_EQ(8, colorPanel->Depth());
    EXPECT_EQ(0, SendMessageA(Control(IDC_PANEL_DEPTH), CB_GETCURSEL, 0, 0));
}

}  // namespace
