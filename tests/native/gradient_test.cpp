// The ramp between two entries against an independent computation in Python
// (the published sRGB and OKLab formulas): RGB steps exactly, OKLab steps
// within 1 of 255 in each channel (rounding of a value near .5 may go either
// way). End points, flags and the entries outside the range stay as they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "palette/color_table.h"
#include "palette/gradient.h"
#include "tests/support/python_script.h"
#include "tests/support/temp_folder.h"

namespace {

const char kRamps[] = R"(import sys
def to_linear(c):
    c /= 255
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
def to_srgb(x):
    x = min(max(x, 0.0), 1.0)
    c = 12.92 * x if x <= 0.0031308 else 1.055 * x ** (1 / 2.4) - 0.055
    return int(c * 255 + 0.5)
def oklab(rgb):
    r, g, b = map(to_linear, rgb)
    l = (0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b) ** (1 / 3)
    m = (0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b) ** (1 / 3)
    s = (0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b) ** (1 / 3)
    return (0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s)
def from_oklab(L, a, b):
    l = (L + 0.3963377774 * a + 0.2158037573 * b) ** 3
    m = (L - 0.1055613458 * a - 0.0638541728 * b) ** 3
    s = (L - 0.0894841775 * a - 1.2914855480 * b) ** 3
    return [to_srgb(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
            to_srgb(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
            to_srgb(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)]
for line in open(sys.argv[1]):
    space, a, b, n = line.split()
    a, b, n = bytes.fromhex(a), bytes.fromhex(b), int(n)
    ramp = []
    for i in range(n + 1):
        if space == 'rgb':
            ramp.append([int(x + (y - x) * i / n + 0.5) for x, y in zip(a, b)])
        else:
            p, q = oklab(a), oklab(b)
            ramp.append(from_oklab(*[x + (y - x) * i / n for x, y in zip(p, q)]))
    print(' '.join(bytes(c).hex() for c in ramp))
)";

std::string Hex(const ColorEntry& e)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", e.red, e.green, e.blue);
    return text;
}

// A table whose every entry differs, flags included.
void FillTable(ColorTable& table, uint32_t count)
{
    ASSERT_TRUE(table.Reset(count));
    for (uint32_t i = 0; i < count; ++i) {
        table.SetColor(i, uint8_t(i * 37), uint8_t(i * 91 + 3), uint8_t(255 - i * 5));
        table.GetEntry(i)->flags = uint8_t(i % 3);
    }
}

TEST(Gradient, RampsMatchAnIndependentComputation)
{
    const std::string python = PythonWith("");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3";
    struct Case {
        GradientSpace space;
        uint32_t first, last;
        ColorEntry from, to;
    };
    const Case cases[] = {
        {GradientSpace::Rgb, 0, 2, {0, 0, 0, 1}, {255, 255, 255, 2}},
        {GradientSpace::Rgb, 3, 17, {10, 200, 31, 0}, {250, 0, 99, 0}},
        {GradientSpace::Rgb, 0, 255, {255, 0, 0, 0}, {0, 0, 255, 1}},
        {GradientSpace::Oklab, 0, 15, {0, 0, 0, 0}, {255, 255, 255, 0}},
        {GradientSpace::Oklab, 5, 7, {255, 0, 0, 0}, {0, 255, 0, 0}},
        {GradientSpace::Oklab, 1, 30, {0, 0, 255, 2}, {255, 255, 0, 0}},
        {GradientSpace::Oklab, 0, 255, {12, 34, 56, 0}, {250, 128, 3, 1}},
        {GradientSpace::Oklab, 2, 9, {77, 77, 77, 0}, {77, 77, 77, 0}},
        {GradientSpace::Oklab, 40, 48, {255, 0, 0, 0}, {255, 255, 0, 0}},  // red past 1 on the way
    };
    TempFolder folder;
    std::string request;
    std::vector<ColorTable> results(sizeof cases / sizeof cases[0]);
    for (size_t c = 0; c < results.size(); ++c) {
        const Case& k = cases[c];
        ColorTable before;
        FillTable(before, 256);
        *before.GetEntry(k.first) = k.from;
        *before.GetEntry(k.last) = k.to;
        ColorTable& after = results[c];
        ASSERT_TRUE(after.Assign(before));
        ASSERT_TRUE(FillGradient(after, k.first, k.last, k.space));
        for (uint32_t i = 0; i < 256; ++i) {
            const ColorEntry a = *after.GetEntry(i), b = *before.GetEntry(i);
            EXPECT_EQ(b.flags, a.flags) << "case " << c << " entry " << i;
            if (i <= k.first || i >= k.last) {
                EXPECT_EQ(Hex(b), Hex(a)) << "case " << c << " entry " << i;
            }
        }
        request += std::string(k.space == GradientSpace::Rgb ? "rgb " : "oklab ") + Hex(k.from) + " " + Hex(k.to) +
                   " " + std::to_string(k.last - k.first) + "\n";
    }
    ASSERT_TRUE(WriteWholeFile(folder.File("ramps.txt"), request));
    std::string answer;
    ASSERT_TRUE(RunPythonScript(python, folder, kRamps, {folder.File("ramps.txt")}, &answer)) << answer;
    std::istringstream lines(answer);
    for (size_t c = 0; c < results.size(); ++c) {
        const Case& k = cases[c];
        std::string line;
        ASSERT_TRUE(std::getline(lines, line)) << "case " << c;
        std::istringstream colors(line);
        const int tolerance = k.space == GradientSpace::Rgb ? 0 : 1;
        for (uint32_t i = k.first; i <= k.last; ++i) {
            std::string expected;
            ASSERT_TRUE(colors >> expected) << "case " << c;
            const ColorEntry& e = *results[c].GetEntry(i);
            const int ours[3] = {e.red, e.green, e.blue};
            for (int channel = 0; channel < 3; ++channel) {
                const int theirs = std::stoi(expected.substr(size_t(channel) * 2, 2), nullptr, 16);
                // Out of gamut is clipped to the end exactly, with nothing to round.
                const int allowed = theirs == 0 || theirs == 255 ? 0 : tolerance;
                EXPECT_LE(std::abs(ours[channel] - theirs), allowed)
                    << "case " << c << " entry " << i << " channel " << channel << ": " << Hex(e) << " vs "
                    << expected;
            }
        }
    }
}

TEST(Gradient, RangesThatAreNoRampLeaveTheTableAlone)
{
    const struct {
        uint32_t first, last;
    } cases[] = {{0, 1}, {4, 5}, {5, 5}, {7, 3}, {0, 16}, {14, 40}, {20, 30}};
    for (const auto& c : cases) {
        for (GradientSpace space : {GradientSpace::Rgb, GradientSpace::Oklab}) {
            ColorTable before, after;
            FillTable(before, 16);
            ASSERT_TRUE(after.Assign(before));
            EXPECT_FALSE(FillGradient(after, c.first, c.last, space)) << c.first << ".." << c.last;
            for (uint32_t i = 0; i < 16; ++i)
                EXPECT_EQ(0, std::memcmp(before.GetEntry(i), after.GetEntry(i), sizeof(ColorEntry)));
        }
    }
}

}  // namespace
