#include "palette/gradient.h"

#include <cmath>

#include "palette/color_table.h"

namespace {

struct Lab {
    double l, a, b;
};

double SrgbToLinear(uint8_t value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint8_t LinearToSrgb(double linear)
{
    if (!(linear > 0.0)) return 0;  // also NaN
    if (linear >= 1.0) return 255;
    const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return uint8_t(std::lround(c * 255.0));
}

// Björn Ottosson's matrices, from linear sRGB.
Lab ToOklab(const ColorEntry& color)
{
    const double r = SrgbToLinear(color.red), g = SrgbToLinear(color.green), b = SrgbToLinear(color.blue);
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

void FromOklab(const Lab& lab, uint8_t rgb[3])
{
    const double l = lab.l + 0.3963377774 * lab.a + 0.2158037573 * lab.b;
    const double m = lab.l - 0.1055613458 * lab.a - 0.0638541728 * lab.b;
    const double s = lab.l - 0.0894841775 * lab.a - 1.2914855480 * lab.b;
    const double l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
    rgb[0] = LinearToSrgb(4.0767416621 * l3 - 3.3077115913 * m3 + 0.2309699292 * s3);
    rgb[1] = LinearToSrgb(-1.2684380046 * l3 + 2.6097574011 * m3 - 0.3413193965 * s3);
    rgb[2] = LinearToSrgb(-0.0041960863 * l3 - 0.7034186147 * m3 + 1.7076147010 * s3);
}

// from + (to - from) * step / steps, rounded half up, in integers.
uint8_t Between(uint8_t from, uint8_t to, uint32_t step, uint32_t steps)
{
    const uint64_t twice = 2 * (uint64_t(from) * (steps - step) + uint64_t(to) * step);
    return uint8_t((twice + steps) / (2 * uint64_t(steps)));
}

}  // namespace

bool FillGradient(ColorTable& table, uint32_t first, uint32_t last, GradientSpace space)
{
    if (first >= last || last >= table.GetCount() || last - first < 2) return false;
    const ColorEntry from = *table.GetEntry(first);
    const ColorEntry to = *table.GetEntry(last);
    const uint32_t steps = last - first;
    const Lab labFrom = ToOklab(from), labTo = ToOklab(to);
    for (uint32_t step = 1; step < steps; ++step) {
        uint8_t rgb[3];
        if (space == GradientSpace::Rgb) {
            rgb[0] = Between(from.red, to.red, step, steps);
            rgb[1] = Between(from.green, to.green, step, steps);
            rgb[2] = Between(from.blue, to.blue, step, steps);
        } else {
            const double t = double(step) / steps;
            FromOklab({labFrom.l + (labTo.l - labFrom.l) * t, labFrom.a + (labTo.a - labFrom.a) * t,
                       labFrom.b + (labTo.b - labFrom.b) * t},
                      rgb);
        }
        table.SetColor(first + step, rgb[0], rgb[1], rgb[2]);
    }
    return true;
}

OklabColor ColorToOklab(uint8_t red, uint8_t green, uint8_t blue)
{
    const Lab lab = ToOklab({red, green, blue, 0});
    return {lab.l, lab.a, lab.b};
}
