#include "panel/color_panel.h"

#include <commctrl.h>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

namespace {

struct ChannelIds {
    int slider;
    int field;
    int upDown;
    int marker;
};

const ChannelIds kChannels[3] = {
    {IDC_RED_SLIDER, IDC_RED_FIELD, IDC_RED_UPDOWN, IDC_RED_MARKER},
    {IDC_GREEN_SLIDER, IDC_GREEN_FIELD, IDC_GREEN_UPDOWN, IDC_GREEN_MARKER},
    {IDC_BLUE_SLIDER, IDC_BLUE_FIELD, IDC_BLUE_UPDOWN, IDC_BLUE_MARKER},
};

// Up arrow moves the arrows' position to 0 (one down), down arrow to 2 (one up).
const LPARAM kRestingPosition = 1;

void MoveControl(HWND dialog, int id, const PanelBox& box)
{
    MoveWindow(GetDlgItem(dialog, id), box.x, box.y, box.width, box.height, TRUE);
}

void Repaint(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
}

void OnUpDown(HWND upDown)
{
    int id = GetDlgCtrlID(upDown);
    for (int channel = 0; channel < 3; ++channel) {
        if (kChannels[channel].upDown != id) continue;
        LRESULT position = SendMessageA(upDown, UDM_GETPOS, 0, 0);
        if (colorPanel->Model() == ColorModel::Rgb) {
            colorPanel->StepRgbChannel(channel, LOWORD(position) != 0);
        } else {
            colorPanel->StepShown(channel, LOWORD(position) != 0 ? 1 : -1);
        }
        SendMessageA(upDown, UDM_SETPOS, 0, kRestingPosition);
        colorPanel->Refresh(RefreshRed + channel);
    }
}

}  // namespace

INT_PTR CALLBACK ColorPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitCommonControls();
        InstallChannelControls(dialog);
        colorPanel->ApplyLayout(dialog);
        colorPanel->InitModelChoice(dialog);
        colorPanel->InitDepthChoice(dialog);
        return TRUE;
    case WM_DESTROY:
        RemoveChannelControls(dialog);
        return 0;
    case WM_SHOWWINDOW:
        // Colors set while hidden moved no marker; put them where they belong.
        if (wParam) colorPanel->PlaceMarkers(dialog);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_KEY_RED:
        case ID_KEY_GREEN:
        case ID_KEY_BLUE:
            colorPanel->FocusChannel(LOWORD(wParam));
            break;
        case ID_KEY_NEXT_WINDOW:
            SetActiveWindow(paletteWindow.Owner());
            break;
        case ID_KEY_PREVIOUS_WINDOW:
            SetActiveWindow(paletteWindow.Hwnd());
            break;
        case IDC_PANEL_MODEL:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                LRESULT chosen = SendMessageA(HWND(lParam), CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && chosen < kColorModelCount) colorPanel->SelectModel(ColorModel(chosen));
            }
            break;
        case IDC_PANEL_DEPTH:
            if (HIWORD(wParam) == CBN_SELCHANGE) OnDepthChosen(HWND(lParam));
            break;
        default:
            PostMessageA(paletteWindow.Hwnd(), WM_COMMAND, wParam, lParam);
            break;
        }
        return 0;
    case WM_VSCROLL:
        // Each click also ends with SB_ENDSCROLL; only the step itself counts.
        if (LOWORD(wParam) == SB_THUMBPOSITION) OnUpDown(HWND(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        // No caption: any free spot of the panel drags it.
        PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return 0;
    default:
        return 0;
    }
}

ColorPanel::ColorPanel() : dragging(0), red(0), green(0), blue(0), depth(8)
{
    ReadViewSetting();
}

ColorPanel::~ColorPanel() {}

uint8_t& ColorPanel::Channel(int channel)
{
    return channel == 0 ? red : channel == 1 ? green : blue;
}

bool ColorPanel::CreatePanel(HWND owner)
{
    if (!Create(instanceHandle, IDD_COLOR_PANEL, owner, ColorPanelProc)) return false;
    for (const ChannelIds& ids : kChannels) {
        HWND upDown = GetDlgItem(Hwnd(), ids.upDown);
        SendMessageA(upDown, UDM_SETRANGE, 0, 0x00FF0000);
        // The resting position: from 0 the up arrow would have nowhere to go.
        SendMessageA(upDown, UDM_SETPOS, 0, kRestingPosition);
    }
    Refresh(RefreshAll);
    return true;
}

void ColorPanel::SetCurrentColor(uint32_t packedColor)
{
    red = uint8_t(packedColor);
    green = uint8_t(packedColor >> 8);
    blue = uint8_t(packedColor >> 16);
    ShowColorInModel();
    Refresh(IsVisible() ? RefreshAll : RefreshTextOnly);
}

void ColorPanel::FocusChannel(int command)
{
    if (!IsVisible()) return;
    int field;
    switch (command) {
    case ID_KEY_RED:   field = IDC_RED_FIELD; break;
    case ID_KEY_GREEN: field = IDC_GREEN_FIELD; break;
    case ID_KEY_BLUE:  field = IDC_BLUE_FIELD; break;
    default: return;
    }
    HWND control = GetDlgItem(Hwnd(), field);
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

void ColorPanel::Refresh(int kind)
{
    HWND dialog = Hwnd();
    if (!dialog) return;
    // In RGB the channels themselves; in another model what it shows.
    const UINT values[3] = {UINT(ShownValue(0)), UINT(ShownValue(1)), UINT(ShownValue(2))};
    if (kind == RefreshAll) {
        for (int c = 0; c < 3; ++c) Repaint(dialog, kChannels[c].slider);
        for (int c = 0; c < 3; ++c) SetDlgItemInt(dialog, kChannels[c].field, values[c], FALSE);
        PlaceMarkers(dialog);
        Repaint(dialog, IDC_PREVIEW);
    } else if (kind >= RefreshRed && kind < RefreshTextOnly) {
        int c = (kind - 1) % 3;
        bool withText = kind < RefreshRedKeepText;
        PlaceMarker(dialog, c + 1, kChannels[c].marker, uint8_t(MarkerColumn(c)));
        Repaint(dialog, kChannels[(c + 1) % 3].slider);
        Repaint(dialog, kChannels[(c + 2) % 3].slider);
        if (withText) SetDlgItemInt(dialog, kChannels[c].field, values[c], FALSE);
        Repaint(dialog, IDC_PREVIEW);
    } else if (kind == RefreshTextOnly) {
        for (int c = 0; c < 3; ++c) SetDlgItemInt(dialog, kChannels[c].field, values[c], FALSE);
    } else {
        return;
    }
    char hex[8];
    wsprintfA(hex, "%02x%02x%02x", red, green, blue);
    SetDlgItemTextA(dialog, IDC_HEX_TEXT, hex);
    // A live picture shows the color being set on the selected entry's pixels.
    bitmapDocument.LiveColorsChanged(false);
}

void ColorPanel::ApplyLayout(HWND dialog) const
{
    MoveWindow(dialog, 100, 100, layout.PanelWidth(), layout.PanelHeight(), TRUE);
    for (int r = 0; r < 3; ++r) {
        MoveControl(dialog, kChannels[r].slider, layout.Slider(r));
        MoveControl(dialog, kChannels[r].field, layout.Field(r));
        MoveControl(dialog, kChannels[r].upDown, layout.UpDown(r));
        MoveControl(dialog, kChannels[r].marker, layout.Marker(r + 1, 0));
    }
    MoveControl(dialog, IDC_PREVIEW, layout.Preview());
    MoveControl(dialog, IDC_ENTER_BUTTON, layout.EnterButton());
    MoveControl(dialog, IDC_HEX_TEXT, layout.HexField());
    MoveControl(dialog, IDC_PANEL_MODEL, layout.ModelChoice());
    MoveControl(dialog, IDC_PANEL_DEPTH, layout.DepthChoice());
}

void ColorPanel::PlaceMarkers(HWND dialog) const
{
    for (int c = 0; c < 3; ++c) PlaceMarker(dialog, c + 1, kChannels[c].marker, uint8_t(MarkerColumn(c)));
}

void ColorPanel::PlaceMarker(HWND dialog, int row, int markerId, uint8_t value) const
{
    MoveControl(dialog, markerId, layout.Marker(row, value));
}
