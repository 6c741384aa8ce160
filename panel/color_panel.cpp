#include "panel/color_panel.h"

ColorPanel::ColorPanel() : red(0), green(0), blue(0) {}

ColorPanel::~ColorPanel() {}

bool ColorPanel::CreatePanel(HWND)
{
    return true;
}

void ColorPanel::SetCurrentColor(uint32_t packedColor)
{
    red = uint8_t(packedColor);
    green = uint8_t(packedColor >> 8);
    blue = uint8_t(packedColor >> 16);
}

void ColorPanel::FocusChannel(int) {}
