#include "palette/gradient.h"

#include "color/oklab.h"
#include "palette/color_table.h"

namespace {

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
    const OklabColor labFrom = ColorToOklab(from.red, from.green, from.blue);
    const OklabColor labTo = ColorToOklab(to.red, to.green, to.blue);
    for (uint32_t step = 1; step < steps; ++step) {
        uint8_t rgb[3];
        if (space == GradientSpace::Rgb) {
            rgb[0] = Between(from.red, to.red, step, steps);
            rgb[1] = Between(from.green, to.green, step, steps);
            rgb[2] = Between(from.blue, to.blue, step, steps);
        } else {
            const double t = double(step) / steps;
            OklabToColor({labFrom.l + (labTo.l - labFrom.l) * t, labFrom.a + (labTo.a - labFrom.a) * t,
                          labFrom.b + (labTo.b - labFrom.b) * t},
                         rgb);
        }
        table.SetColor(first + step, rgb[0], rgb[1], rgb[2]);
    }
    return true;
}
