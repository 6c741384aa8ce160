// sRGB, linear light, OKLab and OKLCH: the color space every measure of
// "nearest" and every even step in the program is taken in.
#ifndef KORIN_COLOR_OKLAB_H
#define KORIN_COLOR_OKLAB_H

#include <cmath>
#include <cstdint>

// A color in OKLab: l the lightness (0 black to 1 white), a and b its hue
// and chroma; Euclidean distances there match what the eye sees.
struct OklabColor {
    double l, a, b;
};

// The same in polar form: c the chroma, h the hue in degrees, 0 to 360.
struct OklchColor {
    double l, c, h;
};

// One 8-bit sRGB value in linear light, 0 to 1 (from a table).
double SrgbToLinear(uint8_t value);
// A linear value back to 8 bits, rounded, clamped to 0..255 (NaN gives 0).
uint8_t LinearToSrgb(double linear);

OklabColor LinearToOklab(double red, double green, double blue);
OklabColor ColorToOklab(uint8_t red, uint8_t green, uint8_t blue);
// Linear red, green and blue of an OKLab color (may lie outside 0..1).
void OklabToLinear(const OklabColor& lab, double rgb[3]);
// The nearest 8-bit sRGB color, each channel clamped.
void OklabToColor(const OklabColor& lab, uint8_t rgb[3]);

OklchColor OklabToOklch(const OklabColor& lab);
OklabColor OklchToOklab(const OklchColor& lch);

inline double OklabDistanceSquared(const OklabColor& x, const OklabColor& y)
{
    const double dl = x.l - y.l, da = x.a - y.a, db = x.b - y.b;
    return dl * dl + da * da + db * db;
}
inline double OklabDistance(const OklabColor& x, const OklabColor& y)
{
    return std::sqrt(OklabDistanceSquared(x, y));
}

#endif
