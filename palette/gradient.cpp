#include "palette/gradient.h"

#include <algorithm>
#include <cmath>

namespace {

struct Lab {
    double l, a, b;
};

double ToLinear(uint8_t channel)
{
    double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint8_t FromLinear(double c)
{
    c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    return uint8_t(std::lround(std::min(1.0, std::max(0.0, c)) * 255.0));
}

Lab ToOklab(const ColorEntry& e)
{
    double r = ToLinear(e.red), g = ToLinear(e.green), b = ToLinear(e.blue);
    double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

void SetFromOklab(ColorTable& table, uint32_t i, const Lab& lab)
{
    double l = lab.l + 0.3963377774 * lab.a + 0.2158037573 * lab.b;
    double m = lab.l - 0.1055613458 * lab.a - 0.0638541728 * lab.b;
    double s = lab.l - 0.0894841775 * lab.a - 1.2914855480 * lab.b;
    l = l * l * l;
    m = m * m * m;
    s = s * s * s;
    table.SetColor(i, FromLinear(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
                   FromLinear(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
                   FromLinear(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s));
}

// from + (to - from) * step / steps, halves rounded up.
uint8_t Blend(uint8_t from, uint8_t to, uint32_t step, uint32_t steps)
{
    uint64_t sum = 2 * (uint64_t(from) * (steps - step) + uint64_t(to) * step) + steps;
    return uint8_t(sum / (2 * uint64_t(steps)));
}

}  // namespace

bool FillGradient(ColorTable& table, uint32_t first, uint32_t last, GradientSpace space)
{
    if (first >= last || last >= table.GetCount()) return false;
    const ColorEntry from = *table.GetEntry(first);
    const ColorEntry to = *table.GetEntry(last);
    const uint32_t steps = last - first;
    const Lab labFrom = ToOklab(from);
    const Lab labTo = ToOklab(to);
    for (uint32_t step = 1; step < steps; ++step) {
        if (space == GradientSpace::Rgb) {
            table.SetColor(first + step, Blend(from.red, to.red, step, steps), Blend(from.green, to.green, step, steps),
                           Blend(from.blue, to.blue, step, steps));
        } else {
            double t = double(step) / steps;
            SetFromOklab(table, first + step,
                         {labFrom.l + (labTo.l - labFrom.l) * t, labFrom.a + (labTo.a - labFrom.a) * t,
                          labFrom.b + (labTo.b - labFrom.b) * t});
        }
    }
    return true;
}
