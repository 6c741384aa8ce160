// The color models the color panel edits in besides RGB, as the integer
// channel values it shows: HSV and HSL with hue 0..359 degrees and the other
// two 0..100 percent; OKLCH with lightness 0..100 (percent of white), chroma
// 0..37 in hundredths (0.00 to 0.37; every sRGB color has less than 0.33) and
// hue 0..359 degrees.
#ifndef KORIN_COLOR_COLOR_MODEL_H
#define KORIN_COLOR_COLOR_MODEL_H

#include <cstdint>

enum class ColorModel : uint8_t { Rgb = 0, Hsv = 1, Hsl = 2, Oklch = 3 };
const int kColorModelCount = 4;

// The largest value of channel 0, 1 or 2 (the smallest is always 0).
int32_t ModelMaximum(ColorModel model, int channel);
// Whether the channel goes round a circle (a hue): stepping past an end wraps.
bool ModelChannelWraps(ColorModel model, int channel);

// The values a color shows in the model, each rounded to its integer range.
// Many 8-bit colors share one rounded triple, so going back may not land on
// the same color: callers keep the color itself while nothing is moved.
void ColorToModel(ColorModel model, const uint8_t rgb[3], int32_t values[3]);
// The 8-bit color of three values (each held to its range first). An OKLCH
// value outside the sRGB gamut is clipped channel by channel, as gradients are.
void ModelToColor(ColorModel model, const int32_t values[3], uint8_t rgb[3]);
// False only for OKLCH values that lie outside the sRGB gamut.
bool ModelInGamut(ColorModel model, const int32_t values[3]);

#endif
