// The caption-less panel that edits one color of the palette.
#ifndef KORIN_PANEL_COLOR_PANEL_H
#define KORIN_PANEL_COLOR_PANEL_H

#include <windows.h>

#include <cstdint>

#include "app/window_base.h"

class ColorPanel : public WindowBase {
public:
    ColorPanel();
    ~ColorPanel();

    // Creates the panel, hidden, owned by the palette window.
    bool CreatePanel(HWND owner);
    // Takes red, green and blue from the three low bytes of a packed color.
    void SetCurrentColor(uint32_t packedColor);
    // Focuses the red, green or blue field for the command of its key.
    void FocusChannel(int command);

    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

#endif
