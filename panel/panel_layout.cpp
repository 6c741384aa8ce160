#include "panel/panel_layout.h"

PanelLayout::PanelLayout()
    : rowGap(13), fieldGap(10), markerGap(3), margin(12), rowHeight(18), sliderWidth(258),
      fieldWidth(28), upDownWidth(16), markerWidth(5), markerHeight(3), previewGap(13),
      previewWidth(170), previewHeight(40), buttonWidth(60), buttonHeight(23), hexWidth(60)
{
}

int32_t PanelLayout::PanelWidth() const
{
    return upDownWidth + 2 * margin + fieldWidth + sliderWidth + fieldGap + 10;
}

int32_t PanelLayout::PanelHeight() const
{
    return 3 * rowHeight + 2 * (margin + rowGap) + previewHeight + previewGap + 10;
}

PanelBox PanelLayout::Slider(int32_t row) const
{
    return {margin, margin + row * RowPitch(), sliderWidth, rowHeight};
}

PanelBox PanelLayout::Field(int32_t row) const
{
    return {FieldX(), margin + row * RowPitch(), fieldWidth, rowHeight};
}

PanelBox PanelLayout::UpDown(int32_t row) const
{
    return {FieldX() + fieldWidth, margin + row * RowPitch(), upDownWidth, rowHeight};
}

PanelBox PanelLayout::Preview() const
{
    return {margin, PreviewY(), previewWidth, previewHeight};
}

PanelBox PanelLayout::EnterButton() const
{
    return {FieldX() + fieldWidth + upDownWidth - buttonWidth,
            PreviewY() + previewHeight - buttonHeight, buttonWidth, buttonHeight};
}

PanelBox PanelLayout::HexField() const
{
    return {FieldX() + fieldWidth + upDownWidth - fieldGap - hexWidth - buttonWidth,
            PreviewY() + previewHeight - rowHeight - 2, hexWidth, rowHeight + 2};
}

PanelBox PanelLayout::ModelChoice() const
{
    const PanelBox hex = HexField();
    return {hex.x, PreviewY() - 2 * markerGap, hex.width, 6 * rowHeight};
}

PanelBox PanelLayout::DepthChoice() const
{
    const PanelBox button = EnterButton();
    return {button.x, PreviewY() - 2 * markerGap, button.width, 6 * rowHeight};
}

PanelBox PanelLayout::Marker(int32_t row, int32_t value) const
{
    // The slider's client area is 256 columns, one pixel inside its window.
    int32_t t = int32_t((sliderWidth - 2) * (1.0 / 256) * value);
    return {t + margin - (markerWidth - 1) / 2 + 1,
            RowPitch() * (row - 1) + margin - markerGap - markerHeight, markerWidth, markerHeight};
}
