// The color panel's model choice: RGB edits the channels themselves; HSV, HSL
// and OKLCH show the color in their channels over the exact red, green and
// blue, which change only when a channel is moved. The choice is kept in a
// registry value of its own, with the depth choice.
#include "panel/color_panel.h"

#include "app/globals.h"
#include "app/settings_store.h"
#include "app/ui_language.h"
#include "color/channel_depth.h"
#include "panel/channel_value.h"
#include "resources/resource.h"

namespace {

// 4 bytes: the low byte is the ColorModel, the next one the depth (0 for 8
// bits, so a value stored before there was a depth reads as it did), the
// other two 0.
const char kViewValue[] = "PanelView";
const int kFullDepth = 8;

const UINT kModelNames[kColorModelCount] = {
    IDS_PANEL_MODEL_RGB, IDS_PANEL_MODEL_HSV, IDS_PANEL_MODEL_HSL, IDS_PANEL_MODEL_OKLCH,
};

}  // namespace

void ColorPanel::ReadViewSetting()
{
    uint32_t stored = 0;
    if (settingsStore.ReadValue(kViewValue, &stored, sizeof stored) != ERROR_SUCCESS) stored = 0;
    const uint32_t model = stored & 0xFF, bits = stored >> 8 & 0xFF;
    // Anything else is not a value this panel wrote: the defaults, as before.
    if (stored >> 16 || model >= uint32_t(kColorModelCount) || (bits != 0 && !IsSnapDepth(int(bits)))) stored = 0;
    depth = stored >> 8 ? int(stored >> 8) : kFullDepth;
    const uint8_t rgb[3] = {red, green, blue};
    shown.Show(ColorModel(stored & 0xFF), rgb);
}

void ColorPanel::WriteViewSetting() const
{
    const uint32_t bits = depth == kFullDepth ? 0 : uint32_t(depth);
    const uint32_t stored = uint32_t(Model()) | bits << 8;
    settingsStore.WriteValue(kViewValue, &stored, sizeof stored);
}

void ColorPanel::SelectModel(ColorModel model)
{
    const uint8_t rgb[3] = {red, green, blue};
    shown.Show(model, rgb);
    WriteViewSetting();
    if (HWND dialog = Hwnd()) SendDlgItemMessageA(dialog, IDC_PANEL_MODEL, CB_SETCURSEL, WPARAM(model), 0);
    Refresh(IsVisible() ? RefreshAll : RefreshTextOnly);
}

void ColorPanel::ShowColorInModel()
{
    if (Model() == ColorModel::Rgb) return;
    const uint8_t rgb[3] = {red, green, blue};
    shown.Show(Model(), rgb);
}

int32_t ColorPanel::ShownValue(int channel) const
{
    if (Model() != ColorModel::Rgb) return shown.Value(channel);
    return channel == 0 ? red : channel == 1 ? green : blue;
}

int32_t ColorPanel::ShownMaximum(int channel) const
{
    return Model() == ColorModel::Rgb ? 255 : shown.Maximum(channel);
}

void ColorPanel::SetShownValue(int channel, int32_t value)
{
    uint8_t rgb[3] = {red, green, blue};
    shown.Set(channel, value, rgb);
    SnapColorToDepth(rgb);
    red = rgb[0];
    green = rgb[1];
    blue = rgb[2];
}

void ColorPanel::StepShown(int channel, int32_t delta)
{
    uint8_t rgb[3] = {red, green, blue};
    shown.Step(channel, delta, rgb);
    SnapColorToDepth(rgb);
    red = rgb[0];
    green = rgb[1];
    blue = rgb[2];
}

int32_t ColorPanel::MarkerColumn(int channel) const
{
    if (Model() == ColorModel::Rgb) return ShownValue(channel);
    return RangeColumn(ShownValue(channel), layout.sliderWidth - 2, ShownMaximum(channel));
}

void ColorPanel::InitModelChoice(HWND dialog) const
{
    HWND choice = GetDlgItem(dialog, IDC_PANEL_MODEL);
    SendMessageA(choice, CB_RESETCONTENT, 0, 0);
    for (UINT name : kModelNames) SendMessageA(choice, CB_ADDSTRING, 0, LPARAM(LoadText(name).c_str()));
    SendMessageA(choice, CB_SETCURSEL, WPARAM(Model()), 0);
}
