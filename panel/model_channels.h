// The three channels the color panel shows in a color model other than RGB,
// over the exact 8-bit color being edited.
#ifndef KORIN_PANEL_MODEL_CHANNELS_H
#define KORIN_PANEL_MODEL_CHANNELS_H

#include <cstdint>

#include "color/color_model.h"

class ModelChannels {
public:
    ModelChannels();

    ColorModel Model() const { return model; }
    // Shows the color in the model. The color itself is not touched: a color
    // shown and not moved is written back exactly as it came.
    void Show(ColorModel shownModel, const uint8_t rgb[3]);
    int32_t Value(int channel) const { return values[channel]; }
    int32_t Maximum(int channel) const { return ModelMaximum(model, channel); }
    // Sets one channel, held to its range; the other two keep what they show
    // (so a hue survives a trip through grey) and the color becomes theirs.
    void Set(int channel, int32_t value, uint8_t rgb[3]);
    // One step up or down: a hue wraps around, the others stop at their ends.
    void Step(int channel, int32_t delta, uint8_t rgb[3]);
    // The color column `column` of the channel's gradient shows (the other
    // two channels as shown), and whether it lies inside the sRGB gamut.
    bool GradientColor(int channel, int32_t column, int32_t columns, uint8_t rgb[3]) const;

private:
    ColorModel model;
    int32_t values[3];
};

#endif
