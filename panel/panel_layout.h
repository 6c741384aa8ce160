// The fixed geometry of the color panel, in pixels.
#ifndef KORIN_PANEL_PANEL_LAYOUT_H
#define KORIN_PANEL_PANEL_LAYOUT_H

#include <cstdint>

#include "platform/platform.h"

// A control's place: x, y, width, height.
struct PanelBox {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

class PanelLayout {
public:
    PanelLayout();

    int32_t RowPitch() const { return rowHeight + rowGap; }
    int32_t FieldX() const { return margin + sliderWidth + fieldGap; }
    int32_t PreviewY() const { return margin + 2 * RowPitch() + rowHeight + previewGap; }

    // The panel window's size.
    int32_t PanelWidth() const;
    int32_t PanelHeight() const;
    // Row 0, 1, 2 for red, green, blue.
    PanelBox Slider(int32_t row) const;
    PanelBox Field(int32_t row) const;
    PanelBox UpDown(int32_t row) const;
    PanelBox Preview() const;
    PanelBox EnterButton() const;
    PanelBox HexField() const;
    // The color model choice above the hexadecimal field and the depth
    // choice above the Enter button; their heights include the dropped list.
    PanelBox ModelChoice() const;
    PanelBox DepthChoice() const;
    // The marker of row 1, 2 or 3 over the slider column of value.
    PanelBox Marker(int32_t row, int32_t value) const;

    const int32_t rowGap;
    const int32_t fieldGap;
    const int32_t markerGap;
    const int32_t margin;
    const int32_t rowHeight;
    const int32_t sliderWidth;
    const int32_t fieldWidth;
    const int32_t upDownWidth;
    const int32_t markerWidth;
    const int32_t markerHeight;
    const int32_t previewGap;
    const int32_t previewWidth;
    const int32_t previewHeight;
    const int32_t buttonWidth;
    const int32_t buttonHeight;
    const int32_t hexWidth;
};

#endif
