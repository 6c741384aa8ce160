// The color panel's model choice: RGB edits the channels themselves; HSV, HSL
// and OKLCH show the color in their channels over the exact red, green and
// blue, which change only when a channel is moved. The choice is kept in a
// registry value of its own.
#include "panel/color_panel.h"

#include "app/globals.h"
#include "app/settings_store.h"
#include "app/ui_language.h"
#include "panel/channel_value.h"
#include "resources/resource.h"

namespace {

// 4 bytes: the low byte is the ColorModel, the other bytes are 0.
const char kModelValue[] = "PanelView";

const UINT kModelNames[kColorModelCount] = {
    IDS_PANEL_MODEL_RGB, IDS_PANEL_MODEL_HSV, IDS_PANEL_MODEL_HSL, IDS_PANEL_MODEL_OKLCH,
};

}  // namespace

void ColorPanel::ReadModelSetting()
{
    uint32_t stored = 0;
    if (settingsStore.ReadValue(kModelValue, &stored, sizeof stored) != ERROR_SUCCESS ||
        stored >= uint32_t(kColorModelCount)) {
        stored = 0;
    }
    const uint8_t rgb[3] = {red, green, blue};
    shown.Show(ColorModel(stored), rgb);
}

void ColorPanel::SelectModel(ColorModel model)
{
    const uint8_t rgb[3] = {red, green, blue};
    shown.Show(model, rgb);
    const uint32_t stored = uint32_t(model);
    settingsStore.WriteValue(kModelValue, &stored, sizeof stored);
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
    red = rgb[0];
    green = rgb[1];
    blue = rgb[2];
}

void ColorPanel::StepShown(int channel, int32_t delta)
{
    uint8_t rgb[3] = {red, green, blue};
    shown.Step(channel, delta, rgb);
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
