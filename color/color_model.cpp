#include "color/color_model.h"

#include <algorithm>
#include <cmath>

#include "color/oklab.h"

namespace {

const int32_t kMaxima[kColorModelCount][3] = {
    {255, 255, 255},
    {359, 100, 100},
    {359, 100, 100},
    {100, 37, 359},
};

// Below this an OKLab chroma is rounding noise of a grey and has no hue.
const double kNoChroma = 1e-4;
// Linear light this far outside 0..1 still rounds to the clipped 8-bit value.
const double kGamutSlack = 1e-4;

int32_t Held(ColorModel model, int channel, int32_t value)
{
    return std::min(std::max(value, int32_t(0)), ModelMaximum(model, channel));
}

int32_t Round(double value)
{
    return int32_t(std::lround(value));
}

int32_t RoundHue(double degrees)
{
    const int32_t hue = Round(degrees);
    return hue >= 360 ? hue - 360 : hue;
}

// Hue in degrees of a color with its largest and smallest channel, 0..360.
double Hue(const uint8_t rgb[3], int largest, int delta)
{
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    double sector;
    if (largest == rgb[0]) sector = (g - b) / delta;
    else if (largest == rgb[1]) sector = (b - r) / delta + 2.0;
    else sector = (r - g) / delta + 4.0;
    const double degrees = sector * 60.0;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

// Red, green and blue 0..1 of a hue, a chroma and the amount added to all three.
void FromHueChroma(double hue, double chroma, double added, uint8_t rgb[3])
{
    const double h = hue / 60.0;
    const double x = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (int(h) % 6) {
    case 0: r = chroma; g = x; break;
    case 1: r = x; g = chroma; break;
    case 2: g = chroma; b = x; break;
    case 3: g = x; b = chroma; break;
    case 4: r = x; b = chroma; break;
    default: r = chroma; b = x; break;
    }
    const double channels[3] = {r + added, g + added, b + added};
    for (int i = 0; i < 3; ++i) rgb[i] = uint8_t(std::min(std::max(Round(channels[i] * 255.0), 0), 255));
}

OklabColor OklchOf(const int32_t values[3])
{
    return OklchToOklab({values[0] / 100.0, values[1] / 100.0, double(values[2])});
}

}  // namespace

int32_t ModelMaximum(ColorModel model, int channel)
{
    return kMaxima[int(model)][channel];
}

bool ModelChannelWraps(ColorModel model, int channel)
{
    return (model == ColorModel::Hsv || model == ColorModel::Hsl) ? channel == 0
           : model == ColorModel::Oklch                          ? channel == 2
                                                                 : false;
}

void ColorToModel(ColorModel model, const uint8_t rgb[3], int32_t values[3])
{
    const int largest = std::max({rgb[0], rgb[1], rgb[2]});
    const int smallest = std::min({rgb[0], rgb[1], rgb[2]});
    const int delta = largest - smallest;
    switch (model) {
    case ColorModel::Rgb:
        for (int i = 0; i < 3; ++i) values[i] = rgb[i];
        return;
    case ColorModel::Hsv:
        values[0] = delta ? RoundHue(Hue(rgb, largest, delta)) : 0;
        values[1] = largest ? Round(100.0 * delta / largest) : 0;
        values[2] = Round(100.0 * largest / 255.0);
        return;
    case ColorModel::Hsl: {
        // Saturation is the chroma over the largest chroma at that lightness.
        const int room = 255 - std::abs(largest + smallest - 255);
        values[0] = delta ? RoundHue(Hue(rgb, largest, delta)) : 0;
        values[1] = room ? Round(100.0 * delta / room) : 0;
        values[2] = Round(100.0 * (largest + smallest) / 510.0);
        return;
    }
    case ColorModel::Oklch: {
        const OklchColor lch = OklabToOklch(ColorToOklab(rgb[0], rgb[1], rgb[2]));
        values[0] = Held(model, 0, Round(lch.l * 100.0));
        values[1] = Held(model, 1, Round(lch.c * 100.0));
        values[2] = lch.c < kNoChroma ? 0 : RoundHue(lch.h);
        return;
    }
    }
}

void ModelToColor(ColorModel model, const int32_t values[3], uint8_t rgb[3])
{
    int32_t v[3];
    for (int i = 0; i < 3; ++i) v[i] = Held(model, i, values[i]);
    switch (model) {
    case ColorModel::Rgb:
        for (int i = 0; i < 3; ++i) rgb[i] = uint8_t(v[i]);
        return;
    case ColorModel::Hsv: {
        const double value = v[2] / 100.0, chroma = value * v[1] / 100.0;
        FromHueChroma(v[0], chroma, value - chroma, rgb);
        return;
    }
    case ColorModel::Hsl: {
        const double lightness = v[2] / 100.0;
        const double chroma = (1.0 - std::fabs(2.0 * lightness - 1.0)) * v[1] / 100.0;
        FromHueChroma(v[0], chroma, lightness - chroma / 2.0, rgb);
        return;
    }
    case ColorModel::Oklch:
        OklabToColor(OklchOf(v), rgb);
        return;
    }
}

bool ModelInGamut(ColorModel model, const int32_t values[3])
{
    if (model != ColorModel::Oklch) return true;
    int32_t v[3];
    for (int i = 0; i < 3; ++i) v[i] = Held(model, i, values[i]);
    double linear[3];
    OklabToLinear(OklchOf(v), linear);
    for (double channel : linear) {
        if (channel < -kGamutSlack || channel > 1.0 + kGamutSlack) return false;
    }
    return true;
}
