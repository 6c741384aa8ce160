// The caption-less panel that edits one color of the palette: three channel
// sliders with markers, entry fields with up-down arrows, a preview, the color
// in hexadecimal and an Enter button that writes it into the palette.
#ifndef KORIN_PANEL_COLOR_PANEL_H
#define KORIN_PANEL_COLOR_PANEL_H

#include <windows.h>

#include <cstdint>

#include "app/window_base.h"
#include "panel/model_channels.h"
#include "panel/panel_layout.h"

// What Refresh brings up to date after the color changed.
enum RefreshKind {
    RefreshAll = 0,
    RefreshRed = 1,  // a channel with its entry field: 1 red, 2 green, 3 blue
    RefreshRedKeepText = 4,  // a channel, its field left as typed: 4, 5, 6
    RefreshTextOnly = 7,
};

class ColorPanel : public WindowBase {
public:
    ColorPanel();
    ~ColorPanel();

    // Creates the panel, hidden, owned by the palette window.
    bool CreatePanel(HWND owner);
    // Takes red, green and blue from the three low bytes of a packed color.
    void SetCurrentColor(uint32_t packedColor);
    // Focuses the red, green or blue field (commands 1019 to 1021), text selected.
    void FocusChannel(int command);
    void Refresh(int kind);
    // Places the controls and sizes the panel.
    void ApplyLayout(HWND dialog) const;
    void PlaceMarker(HWND dialog, int row, int markerId, uint8_t value) const;

    // Channel 0, 1, 2: red, green, blue.
    uint8_t& Channel(int channel);
    const PanelLayout& Layout() const { return layout; }

    // The model the sliders and fields edit in (panel_models.cpp). Changing
    // it leaves red, green and blue as they are.
    ColorModel Model() const { return shown.Model(); }
    void SelectModel(ColorModel model);
    // What the fields and sliders show of channel 0, 1, 2 in the model.
    int32_t ShownValue(int channel) const;
    int32_t ShownMaximum(int channel) const;
    // A channel moved in a model other than RGB: the color follows.
    void SetShownValue(int channel, int32_t value);
    void StepShown(int channel, int32_t delta);
    const ModelChannels& Shown() const { return shown; }
    // The slider column the marker of channel 0, 1, 2 points at.
    int32_t MarkerColumn(int channel) const;
    void PlaceMarkers(HWND dialog) const;
    // Fills the model choice and selects the current model.
    void InitModelChoice(HWND dialog) const;

    // The bits per channel the panel sets colors in (panel_depth.cpp): 8, or
    // 3 to 6. Changing it leaves the color as it is.
    int Depth() const { return depth; }
    void SelectDepth(int bits);
    void InitDepthChoice(HWND dialog) const;
    // An RGB channel set or stepped by the user, on the depth's levels.
    void SetRgbChannel(int channel, uint8_t value);
    void StepRgbChannel(int channel, bool up);
    // The color a model's channels named, as the depth shows it.
    void SnapColorToDepth(uint8_t rgb[3]) const;

    BYTE dragging;
    uint8_t red;
    uint8_t green;
    uint8_t blue;

private:
    // The shown values follow a color set from outside.
    void ShowColorInModel();
    // The model and depth kept in the registry value PanelView.
    void ReadViewSetting();
    void WriteViewSetting() const;
    PanelLayout layout;
    ModelChannels shown;
    int depth;
};

INT_PTR CALLBACK ColorPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The controls' own procedures, put on and taken off by the panel.
void InstallChannelControls(HWND dialog);
void RemoveChannelControls(HWND dialog);
// The depth choice's selection changed (panel_depth.cpp).
void OnDepthChosen(HWND choice);

#endif
