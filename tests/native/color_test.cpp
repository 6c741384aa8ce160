// The color unit's promises in their own terms: the nearest-entry search
// against a plain scan over every entry (ties, equal lightness, left-out
// entries); OKLCH there and back; a made palette keeps its fixed entries,
// sorts the rest dark to light and gives a picture of few colors exactly.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "color/nearest_entry.h"
#include "color/oklab.h"
#include "color/palette_maker.h"

namespace {

uint32_t Scan(const std::vector<OklabColor>& colors, const std::vector<bool>& usable, const OklabColor& c)
{
    uint32_t best = UINT32_MAX;
    for (uint32_t i = 0; i < colors.size(); ++i) {
        if (!usable.empty() && !usable[i]) continue;
        if (best == UINT32_MAX || OklabDistanceSquared(c, colors[i]) < OklabDistanceSquared(c, colors[best])) best = i;
    }
    return best;
}

TEST(Color, NearestEntryIsThePlainScanWithTiesToTheLowerIndex)
{
    std::mt19937 random(38);
    struct Case {
        uint32_t entries, distinct;  // distinct < entries repeats colors
        bool leaveSomeOut;
        uint32_t mask;  // of each channel: 0x0F packs entries and queries close, as a made palette's are
    };
    for (const Case& c : {Case{1, 1, false, 0xFF}, Case{2, 1, false, 0xFF}, Case{16, 16, false, 0xFF},
                          Case{256, 256, true, 0xFF}, Case{256, 40, false, 0xFF}, Case{200, 7, true, 0xFF},
                          Case{256, 256, false, 0x0F}}) {
        std::vector<OklabColor> colors;
        const uint32_t mask = c.mask * 0x010101u;
        for (uint32_t i = 0; i < c.entries; ++i) {
            const uint32_t rgb = uint32_t(random()) & mask;
            colors.push_back(i < c.distinct ? ColorToOklab(uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16))
                                            : colors[random() % c.distinct]);
        }
        std::vector<bool> usable;
        if (c.leaveSomeOut) {
            for (uint32_t i = 0; i < c.entries; ++i) usable.push_back(i % 3 != 1);
        }
        NearestEntry nearest;
        nearest.Reset(colors, usable);
        for (int n = 0; n < 3000; ++n) {
            // Queries at the entries themselves as well as anywhere between.
            const uint32_t rgb = uint32_t(random()) & mask;
            const OklabColor query = n % 4 == 0 ? colors[random() % c.entries]
                                                : ColorToOklab(uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16));
            ASSERT_EQ(Scan(colors, usable, query), nearest.Find(query)) << c.entries << " entries, query " << n;
        }
    }
}

TEST(Color, OklchAndSrgbGoThereAndBack)
{
    for (uint32_t rgb : {0x000000u, 0xFFFFFFu, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0x7F3FA0u, 0x123456u}) {
        const OklabColor lab = ColorToOklab(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
        const OklabColor back = OklchToOklab(OklabToOklch(lab));
        EXPECT_NEAR(0.0, OklabDistance(lab, back), 1e-12) << std::hex << rgb;
        uint8_t out[3];
        OklabToColor(back, out);
        EXPECT_EQ(rgb, uint32_t(out[0]) << 16 | uint32_t(out[1]) << 8 | out[2]);
    }
    EXPECT_NEAR(29.23, OklabToOklch(ColorToOklab(255, 0, 0)).h, 0.01);  // red's published hue
}

TEST(Color, MadePaletteKeepsFixedEntriesAndSortsTheRest)
{
    std::mt19937 random(7);
    ColorHistogram photo, few;
    std::vector<uint8_t> row(4 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = &row[4 * x];
            p[0] = uint8_t(x * 4);
            p[1] = uint8_t(y * 4);
            p[2] = uint8_t(random());
            p[3] = x < 2 ? 0 : 255;
        }
        photo.AddRow(row.data(), 64, 128);
        for (int x = 0; x < 64; ++x) {
            row[4 * x] = row[4 * x + 1] = 0;
            row[4 * x + 2] = uint8_t(x % 5 * 50);
        }
        few.AddRow(row.data(), 64, 128);
    }
    EXPECT_TRUE(photo.HasTransparent());
    PaletteRequest request;
    request.colors = 32;
    request.fixed.Reset(2);
    request.fixed.SetColor(0, 1, 2, 3);
    request.fixed.SetColor(1, 250, 0, 250);
    request.fixedAlpha = {0, 255};
    ColorTable palette;
    std::vector<uint8_t> alpha;
    ASSERT_TRUE(MakePalette(photo, request, &palette, &alpha, nullptr));
    ASSERT_EQ(32u, palette.GetCount());
    EXPECT_EQ(1, palette.GetEntry(0)->red);
    EXPECT_EQ(250, palette.GetEntry(1)->red);
    EXPECT_EQ(0, alpha[0]);
    for (uint32_t i = 3; i < palette.GetCount(); ++i) {
        const ColorEntry& a = *palette.GetEntry(i - 1);
        const ColorEntry& b = *palette.GetEntry(i);
        EXPECT_LE(ColorToOklab(a.red, a.green, a.blue).l, ColorToOklab(b.red, b.green, b.blue).l) << i;
    }
    request.fixed.Reset(0);
    request.fixedAlpha.clear();
    ASSERT_TRUE(MakePalette(few, request, &palette, &alpha, nullptr));
    ASSERT_EQ(5u, palette.GetCount());
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(i * 50, palette.GetEntry(i)->blue);
    request.colors = 1;
    std::string reason;
    EXPECT_FALSE(MakePalette(few, request, &palette, &alpha, &reason));
    EXPECT_NE(std::string::npos, reason.find("2 to 256"));
}

}  // namespace
