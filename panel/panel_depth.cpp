// The color panel's depth choice. At 3 to 6 bits every channel value the
// user sets lands on the nearest level such a display shows (bit replication)
// and the arrows go from level to level; 8 bits takes every value. In HSV, HSL
// and OKLCH the model's own values still move by one and the color they name
// is snapped: their steps are finer than the levels, and taking the values
// back from the snapped color would leave the arrows stuck on one level.
#include "panel/color_panel.h"

#include "app/globals.h"
#include "app/ui_language.h"
#include "color/channel_depth.h"
#include "resources/resource.h"

namespace {

struct DepthItem {
    int bits;
    UINT name;
};

const DepthItem kDepthItems[] = {
    {8, IDS_PANEL_DEPTH_8}, {6, IDS_PANEL_DEPTH_6}, {5, IDS_PANEL_DEPTH_5},
    {4, IDS_PANEL_DEPTH_4}, {3, IDS_PANEL_DEPTH_3},
};
const int kDepthItemCount = int(sizeof kDepthItems / sizeof kDepthItems[0]);

int ItemOf(int bits)
{
    for (int item = 0; item < kDepthItemCount; ++item)
        if (kDepthItems[item].bits == bits) return item;
    return 0;
}

}  // namespace

void OnDepthChosen(HWND choice)
{
    const LRESULT item = SendMessageA(choice, CB_GETCURSEL, 0, 0);
    if (item >= 0 && item < kDepthItemCount) colorPanel->SelectDepth(kDepthItems[item].bits);
}

void ColorPanel::SelectDepth(int bits)
{
    depth = IsSnapDepth(bits) ? bits : 8;
    WriteViewSetting();
    if (HWND dialog = Hwnd()) SendDlgItemMessageA(dialog, IDC_PANEL_DEPTH, CB_SETCURSEL, WPARAM(ItemOf(depth)), 0);
    // The gradients show the levels the sliders now move in.
    Refresh(IsVisible() ? RefreshAll : RefreshTextOnly);
}

void ColorPanel::InitDepthChoice(HWND dialog) const
{
    HWND choice = GetDlgItem(dialog, IDC_PANEL_DEPTH);
    SendMessageA(choice, CB_RESETCONTENT, 0, 0);
    for (const DepthItem& item : kDepthItems)
        SendMessageA(choice, CB_ADDSTRING, 0, LPARAM(LoadText(item.name).c_str()));
    SendMessageA(choice, CB_SETCURSEL, WPARAM(ItemOf(depth)), 0);
}

void ColorPanel::SetRgbChannel(int channel, uint8_t value)
{
    Channel(channel) = IsSnapDepth(depth) ? SnapChannel(value, depth) : value;
}

void ColorPanel::StepRgbChannel(int channel, bool up)
{
    uint8_t& value = Channel(channel);
    if (IsSnapDepth(depth)) value = StepChannelLevel(value, depth, up);
    else value = up ? uint8_t(value + 1) : uint8_t(value - 1);
}

void ColorPanel::SnapColorToDepth(uint8_t rgb[3]) const
{
    if (!IsSnapDepth(depth)) return;
    for (int c = 0; c < 3; ++c) rgb[c] = SnapChannel(rgb[c], depth);
}
