// The color models of the color panel: known values, the way back from the
// rounded display values, and the panel's channels over the exact color.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "color/color_model.h"
#include "color/oklab.h"
#include "panel/channel_value.h"
#include "panel/model_channels.h"

namespace {

struct Known {
    ColorModel model;
    uint8_t rgb[3];
    int32_t values[3];
};

// Reference values of the usual definitions (OKLCH after Ottosson's tables).
const Known kKnown[] = {
    {ColorModel::Hsv, {255, 0, 0}, {0, 100, 100}},     {ColorModel::Hsl, {255, 0, 0}, {0, 100, 50}},
    {ColorModel::Hsv, {255, 255, 0}, {60, 100, 100}},  {ColorModel::Hsl, {255, 255, 0}, {60, 100, 50}},
    {ColorModel::Hsv, {0, 128, 128}, {180, 100, 50}},  {ColorModel::Hsl, {0, 128, 128}, {180, 100, 25}},
    {ColorModel::Hsv, {255, 0, 255}, {300, 100, 100}}, {ColorModel::Hsl, {255, 128, 255}, {300, 100, 75}},
    {ColorModel::Hsv, {0, 0, 0}, {0, 0, 0}},           {ColorModel::Hsl, {255, 255, 255}, {0, 0, 100}},
    {ColorModel::Oklch, {255, 255, 255}, {100, 0, 0}}, {ColorModel::Oklch, {0, 0, 0}, {0, 0, 0}},
    {ColorModel::Oklch, {255, 0, 0}, {63, 26, 29}},    {ColorModel::Oklch, {0, 0, 255}, {45, 31, 264}},
};

TEST(ColorModel, KnownColorsShowTheirReferenceValuesAndComeBack)
{
    for (const Known& k : kKnown) {
        int32_t values[3];
        ColorToModel(k.model, k.rgb, values);
        uint8_t back[3];
        ModelToColor(k.model, k.values, back);
        // Vivid OKLCH values round to just outside the gamut; they come back near only.
        const bool exactBack = k.model != ColorModel::Oklch || k.values[1] == 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(k.values[i], values[i]) << "model " << int(k.model) << " channel " << i;
            if (exactBack) {
                EXPECT_EQ(k.rgb[i], back[i]) << "model " << int(k.model) << " channel " << i;
            }
        }
    }
}

// Integer display values cannot name every 8-bit color (HSV has 360 x 101 x
// 101 of them), so the way back is only near. The bound is the sum of each
// channel's largest slope times half a display step, plus half a level for
// rounding: HSV 1.275 (value) + 1.275 (saturation) + 2.125 (hue) + 0.5;
// HSL 2.55 (lightness) + 0.64 (saturation) + 2.125 (hue) + 0.5.
TEST(ColorModel, EveryColorComesBackFromHsvAndHslWithinTheRounding)
{
    const struct { ColorModel model; int bound; } models[] = {{ColorModel::Hsv, 5}, {ColorModel::Hsl, 5}};
    for (const auto& m : models) {
        int worst = 0;
        long exact = 0;
        for (uint32_t color = 0; color < (1u << 24); ++color) {
            const uint8_t rgb[3] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16)};
            int32_t values[3];
            ColorToModel(m.model, rgb, values);
            for (int i = 0; i < 3; ++i) ASSERT_LE(values[i], ModelMaximum(m.model, i)) << color;
            uint8_t back[3];
            ModelToColor(m.model, values, back);
            int error = 0;
            for (int i = 0; i < 3; ++i) error = std::max(error, std::abs(back[i] - rgb[i]));
            worst = std::max(worst, error);
            exact += error == 0;
        }
        EXPECT_LE(worst, m.bound) << "model " << int(m.model);
        // Most colors are not named exactly: the panel must keep them itself.
        EXPECT_LT(exact, 1l << 23) << "model " << int(m.model);
    }
}

// Half steps of L and C (0.005 each) and of the hue (0.5 degree at chroma up
// to 0.33: 0.003) are 0.0076 in OKLab; near black one 8-bit level alone is
// several hundredths, half of which stays after rounding.
TEST(ColorModel, ColorsComeBackFromOklchWithinAStatedDistance)
{
    double worst = 0;
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 3) {
            for (int b = 0; b < 256; b += 3) {
                const uint8_t rgb[3] = {uint8_t(r), uint8_t(g), uint8_t(b)};
                int32_t values[3];
                ColorToModel(ColorModel::Oklch, rgb, values);
                uint8_t back[3];
                ModelToColor(ColorModel::Oklch, values, back);
                worst = std::max(worst, OklabDistance(ColorToOklab(r, g, b), ColorToOklab(back[0], back[1], back[2])));
            }
        }
    }
    EXPECT_LT(worst, 0.015);
}

TEST(ColorModel, OklchGamutEndsBeforeTheLargestChroma)
{
    for (int32_t l = 0; l <= 100; l += 5) {
        for (int32_t h = 0; h < 360; h += 15) {
            const int32_t grey[3] = {l, 0, h}, widest[3] = {l, 37, h};
            EXPECT_TRUE(ModelInGamut(ColorModel::Oklch, grey)) << l << ' ' << h;
            EXPECT_FALSE(ModelInGamut(ColorModel::Oklch, widest)) << l << ' ' << h;
        }
    }
    // Outside the gamut the color is clipped channel by channel, as gradients are.
    const int32_t vivid[3] = {70, 37, 150};
    uint8_t clipped[3], expected[3];
    ModelToColor(ColorModel::Oklch, vivid, clipped);
    OklabToColor(OklchToOklab({0.70, 0.37, 150.0}), expected);
    EXPECT_EQ(0, std::memcmp(expected, clipped, 3));
}

TEST(ModelChannels, MovingOneChannelKeepsWhatTheOthersShow)
{
    uint8_t rgb[3] = {40, 150, 200};
    const uint8_t original[3] = {40, 150, 200};
    ModelChannels channels;
    channels.Show(ColorModel::Hsv, rgb);
    const int32_t hue = channels.Value(0), saturation = channels.Value(1), value = channels.Value(2);
    channels.Set(2, 0, rgb);  // through black, where hue and saturation mean nothing
    EXPECT_EQ(0, rgb[0] + rgb[1] + rgb[2]);
    EXPECT_EQ(hue, channels.Value(0));
    EXPECT_EQ(saturation, channels.Value(1));
    channels.Set(2, value, rgb);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(original[i], rgb[i], 5) << i;

    channels.Set(1, 500, rgb);
    EXPECT_EQ(100, channels.Value(1)) << "held to the range";
    channels.Set(0, 0, rgb);
    channels.Step(0, -1, rgb);
    EXPECT_EQ(359, channels.Value(0)) << "a hue wraps";
    channels.Step(1, 1, rgb);
    EXPECT_EQ(100, channels.Value(1)) << "saturation stops at its end";
}

TEST(ModelChannels, ChromaGradientTurnsGreyPastTheGamut)
{
    const uint8_t rgb[3] = {200, 60, 60};
    ModelChannels channels;
    channels.Show(ColorModel::Oklch, rgb);
    uint8_t drawn[3];
    EXPECT_TRUE(channels.GradientColor(1, 0, 256, drawn));
    EXPECT_FALSE(channels.GradientColor(1, 255, 256, drawn));
    // Along the way the gamut ends once and stays ended.
    bool ended = false;
    for (int32_t column = 0; column < 256; ++column) {
        const bool inside = channels.GradientColor(1, column, 256, drawn);
        EXPECT_FALSE(ended && inside) << column;
        ended = ended || !inside;
    }
}

TEST(ChannelValue, RangeSlidersDrawClickAndMarkTheSameValues)
{
    const int32_t sliderWidth = 258, columns = 256;
    for (int32_t maximum : {37, 100, 255, 359}) {
        for (int32_t column = 0; column < columns; ++column) {
            EXPECT_EQ(RangeGradientValue(column, columns, maximum), RangeSliderValue(column, sliderWidth, maximum));
        }
        for (int32_t value = 0; value <= maximum; ++value) {
            const int32_t column = RangeColumn(value, columns, maximum);
            ASSERT_LT(column, columns);
            // A range wider than the slider draws some values in no column.
            EXPECT_NEAR(value, RangeGradientValue(column, columns, maximum), maximum < columns ? 0 : 1)
                << maximum << ' ' << value;
        }
        EXPECT_EQ(maximum, RangeSliderValue(4000, sliderWidth, maximum));
        EXPECT_EQ(0, RangeSliderValue(-4, sliderWidth, maximum));
    }
    const struct { const char* text; int32_t value; } commits[] = {
        {"359", 359}, {"360", 359}, {"0001", 359}, {"-3", 0}, {"", 0}, {"42", 42},
    };
    for (const auto& c : commits) EXPECT_EQ(c.value, CommitRangeText(c.text, int(std::strlen(c.text)), 359)) << c.text;
}

}  // namespace
