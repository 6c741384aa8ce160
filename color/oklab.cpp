#include "color/oklab.h"

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

struct LinearTable {
    double values[256];
    LinearTable()
    {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            values[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
    }
};

const LinearTable& Table()
{
    static const LinearTable table;
    return table;
}

}  // namespace

double SrgbToLinear(uint8_t value)
{
    return Table().values[value];
}

uint8_t LinearToSrgb(double linear)
{
    if (!(linear > 0.0)) return 0;  // also NaN
    if (linear >= 1.0) return 255;
    const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return uint8_t(std::lround(c * 255.0));
}

// Björn Ottosson's matrices, from linear sRGB.
OklabColor LinearToOklab(double r, double g, double b)
{
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

OklabColor ColorToOklab(uint8_t red, uint8_t green, uint8_t blue)
{
    return LinearToOklab(SrgbToLinear(red), SrgbToLinear(green), SrgbToLinear(blue));
}

void OklabToLinear(const OklabColor& lab, double rgb[3])
{
    const double l = lab.l + 0.3963377774 * lab.a + 0.2158037573 * lab.b;
    const double m = lab.l - 0.1055613458 * lab.a - 0.0638541728 * lab.b;
    const double s = lab.l - 0.0894841775 * lab.a - 1.2914855480 * lab.b;
    const double l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
    rgb[0] = 4.0767416621 * l3 - 3.3077115913 * m3 + 0.2309699292 * s3;
    rgb[1] = -1.2684380046 * l3 + 2.6097574011 * m3 - 0.3413193965 * s3;
    rgb[2] = -0.0041960863 * l3 - 0.7034186147 * m3 + 1.7076147010 * s3;
}

void OklabToColor(const OklabColor& lab, uint8_t rgb[3])
{
    double linear[3];
    OklabToLinear(lab, linear);
    for (int i = 0; i < 3; ++i) rgb[i] = LinearToSrgb(linear[i]);
}

OklchColor OklabToOklch(const OklabColor& lab)
{
    double h = std::atan2(lab.b, lab.a) * 180.0 / kPi;
    if (h < 0) h += 360.0;
    return {lab.l, std::sqrt(lab.a * lab.a + lab.b * lab.b), h};
}

OklabColor OklchToOklab(const OklchColor& lch)
{
    const double h = lch.h * kPi / 180.0;
    return {lch.l, lch.c * std::cos(h), lch.c * std::sin(h)};
}

