// The pixel remap and the table rearrangements: every packed depth against a
// pixel-by-pixel reference, padding bits kept; each operation's map against
// its table, so that old color i is new color map[i].
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/gif_lzw.h"
#include "image/gif_lzw_encoder.h"
#include "image/remap.h"
#include "palette/gradient.h"
#include "palette/rearrange.h"

namespace {

uint32_t PixelAt(const std::vector<uint8_t>& row, uint32_t x, uint32_t bits)
{
    const uint32_t bit = x * bits;
    return row[bit / 8] >> (8 - bits - bit % 8) & ((1u << bits) - 1);
}

TEST(IndexRemap, PackedRowsOfEveryDepthMapEachPixelAndKeepPadding)
{
    std::mt19937 random(7);
    for (uint32_t bits : {1u, 2u, 4u, 8u}) {
        std::vector<uint32_t> map(size_t(1) << bits);
        for (uint32_t i = 0; i < map.size(); ++i) map[i] = uint32_t(random() % map.size());
        IndexRemap remap;
        std::string reason;
        ASSERT_TRUE(remap.Build(map, bits, &reason)) << reason;
        for (uint32_t width : {1u, 3u, 7u, 8u, 13u, 64u}) {
            const size_t bytes = (width * bits + 7) / 8 + 2;  // two bytes of padding after
            std::vector<uint8_t> row(bytes);
            for (uint8_t& b : row) b = uint8_t(random());
            std::vector<uint8_t> remapped = row;
            remap.RemapPackedRow(remapped.data(), width);
            for (uint32_t x = 0; x < width; ++x)
                EXPECT_EQ(map[PixelAt(row, x, bits)], PixelAt(remapped, x, bits)) << bits << " bits, x " << x;
            // Every bit after the last pixel stays.
            for (uint32_t bit = width * bits; bit < bytes * 8; ++bit)
                EXPECT_EQ(row[bit / 8] >> (7 - bit % 8) & 1, remapped[bit / 8] >> (7 - bit % 8) & 1) << bits;
            // Taken in pieces at any byte, the row comes out the same.
            std::vector<uint8_t> pieces = row;
            for (size_t at = 0; at < bytes; at += 3)
                remap.RemapRowBytes(pieces.data() + at, std::min<size_t>(3, bytes - at), at, width);
            EXPECT_EQ(remapped, pieces);
        }
        // Every byte value, 0xFF too, as whole bytes of pixels.
        std::vector<uint8_t> all(256);
        for (uint32_t b = 0; b < 256; ++b) all[b] = uint8_t(b);
        std::vector<uint8_t> mapped = all;
        const uint32_t width = 256 * 8 / bits;
        remap.RemapPackedRow(mapped.data(), width);
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(map[PixelAt(all, x, bits)], PixelAt(mapped, x, bits)) << bits << " bits, x " << x;
    }
}

TEST(IndexRemap, RefusesAMapPastTheDepth)
{
    IndexRemap remap;
    std::string reason;
    EXPECT_FALSE(remap.Build({0, 2}, 1, &reason));
    EXPECT_NE(std::string::npos, reason.find("entry 1 would move to 2")) << reason;
    EXPECT_FALSE(remap.Build({0}, 3, &reason));
}

// The encoder's data, sub-blocks and all, decodes to what it was given:
// random indices fill the dictionary again and again (clear codes), runs
// make long strings, and every code size from 2 to 8 is met.
TEST(GifLzwEncoder, WhatItWritesDecodesToTheSameIndices)
{
    std::mt19937 random(3);
    for (uint8_t codeSize = 2; codeSize <= 8; ++codeSize) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            std::vector<uint8_t> indices(pattern == 2 ? 1 : 70000);
            for (size_t i = 0; i < indices.size(); ++i)
                indices[i] = uint8_t(pattern == 0 ? random() % (1u << codeSize) : (i / 300 + (i % 7 == 0)) % (1u << codeSize));
            std::string data;
            GifLzwEncoder encoder(codeSize, [&](const uint8_t* bytes, size_t n) {
                data.append(reinterpret_cast<const char*>(bytes), n);
            });
            for (size_t at = 0; at < indices.size(); at += 1000)
                encoder.Add(indices.data() + at, std::min<size_t>(1000, indices.size() - at));
            encoder.Finish();
            std::vector<uint8_t> decoded;
            GifLzwDecoder decoder(codeSize, indices.size(), [&](const uint8_t* p, size_t n) {
                decoded.insert(decoded.end(), p, p + n);
            });
            // Sub-blocks: a length byte, that many bytes, until a zero length.
            size_t at = 0;
            GifLzwDecoder::Status status = GifLzwDecoder::Status::NeedMore;
            while (at < data.size() && data[at] != 0 && status == GifLzwDecoder::Status::NeedMore) {
                const size_t length = uint8_t(data[at]);
                status = decoder.Feed(reinterpret_cast<const uint8_t*>(data.data()) + at + 1, length);
                at += 1 + length;
            }
            EXPECT_EQ(GifLzwDecoder::Status::Finished, status) << int(codeSize) << " " << pattern;
            EXPECT_EQ(0u, decoder.Finish(false));
            EXPECT_EQ(indices, decoded) << int(codeSize) << " " << pattern;
            EXPECT_EQ('\0', data.back());
        }
    }
}

ColorTable TableOf(const std::vector<uint32_t>& rgb)
{
    ColorTable table;
    table.Reset(uint32_t(rgb.size()));
    for (uint32_t i = 0; i < rgb.size(); ++i)
        table.SetColor(i, uint8_t(rgb[i] >> 16), uint8_t(rgb[i] >> 8), uint8_t(rgb[i]));
    return table;
}

std::vector<uint32_t> Colors(const ColorTable& table)
{
    std::vector<uint32_t> rgb;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry& e = *table.GetEntry(i);
        rgb.push_back(uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue);
    }
    return rgb;
}

// Each old entry's color is the new table's color at map[i], for each
// entry some pixel could use.
void ExpectPictureKept(const ColorTable& old, const Rearrangement& plan, const std::vector<bool>& used)
{
    ASSERT_EQ(old.GetCount(), plan.map.size());
    for (uint32_t i = 0; i < old.GetCount(); ++i) {
        if (!used.empty() && !used[i]) continue;
        ASSERT_LT(plan.map[i], plan.table.GetCount()) << i;
        EXPECT_EQ(old.GetPackedColor(i), plan.table.GetPackedColor(plan.map[i])) << "entry " << i;
    }
}

TEST(Rearrange, EachOperationGivesTheTableItNamesAndKeepsThePicture)
{
    // Red, grey, dark blue, yellow, red again, black, white, green.
    const std::vector<uint32_t> rgb = {0xFF0000, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x00FF00};
    const ColorTable table = TableOf(rgb);
    const std::vector<uint64_t> counts = {5, 0, 9, 9, 1, 0, 2, 7};
    std::string reason;
    struct Case {
        const char* name;
        std::function<bool(Rearrangement*)> run;
        std::vector<uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"move 1-2 to 5", [&](Rearrangement* r) { return MoveEntries(table, 1, 2, 5, false, r, &reason); },
         {0xFF0000, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x808080, 0x000040, 0x00FF00}},
        {"move 6 to 0", [&](Rearrangement* r) { return MoveEntries(table, 6, 6, 0, false, r, &reason); },
         {0xFFFFFF, 0xFF0000, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0x00FF00}},
        {"swap 0 7", [&](Rearrangement* r) { return SwapEntries(table, 0, 7, false, r, &reason); },
         {0x00FF00, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0xFF0000}},
        {"hue", [&](Rearrangement* r) { return SortEntries(table, 0, 7, SortKey::Hue, counts, false, r, &reason); },
         {0x808080, 0x000000, 0xFFFFFF, 0xFF0000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x000040}},
        {"lightness 2-6",
         [&](Rearrangement* r) { return SortEntries(table, 2, 6, SortKey::Lightness, counts, false, r, &reason); },
         {0xFF0000, 0x808080, 0x000000, 0x000040, 0xFF0000, 0xFFFF00, 0xFFFFFF, 0x00FF00}},
        {"usage", [&](Rearrangement* r) { return SortEntries(table, 0, 7, SortKey::Usage, counts, false, r, &reason); },
         {0x000040, 0xFFFF00, 0x00FF00, 0xFF0000, 0xFFFFFF, 0xFF0000, 0x808080, 0x000000}},
    };
    for (const Case& c : cases) {
        Rearrangement plan;
        ASSERT_TRUE(c.run(&plan)) << c.name << ": " << reason;
        EXPECT_EQ(c.expected, Colors(plan.table)) << c.name;
        EXPECT_TRUE(plan.remapPixels);
        ExpectPictureKept(table, plan, {});
    }

    Rearrangement kept;
    ASSERT_TRUE(SwapEntries(table, 0, 7, true, &kept, &reason));
    EXPECT_FALSE(kept.remapPixels);
    EXPECT_EQ(7u, kept.map[0]);

    std::vector<bool> used;
    for (uint64_t n : counts) used.push_back(n > 0);
    Rearrangement compact;
    ASSERT_TRUE(CompactEntries(table, used, 1, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({0xFF0000, 0x000040, 0xFFFF00, 0xFF0000, 0xFFFFFF, 0x00FF00}), Colors(compact.table));
    EXPECT_EQ(2u, compact.removed);
    ExpectPictureKept(table, compact, used);
    // Too few used entries: the first unused ones stay, to the minimum.
    ASSERT_TRUE(CompactEntries(table, std::vector<bool>(8, false), 2, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({0xFF0000, 0x808080}), Colors(compact.table));

    // Entry 4 repeats entry 0; with alpha telling them apart, nothing merges.
    Rearrangement merged;
    ASSERT_TRUE(MergeDuplicateEntries(table, {}, &merged, &reason));
    EXPECT_EQ(rgb, Colors(merged.table));
    EXPECT_EQ(std::vector<uint32_t>({0, 1, 2, 3, 0, 5, 6, 7}), merged.map);
    EXPECT_EQ(1u, merged.removed);
    ASSERT_TRUE(MergeDuplicateEntries(table, {255, 255, 255, 255, 0}, &merged, &reason));
    EXPECT_EQ(0u, merged.removed);
}

TEST(Rearrange, ConformTakesThePaletteAndTheNearestColors)
{
    const ColorTable table = TableOf({0xFE0000, 0x101010, 0xF0F0F0, 0x000000});
    // Black twice: ties go to the lower entry.
    const ColorTable palette = TableOf({0xFFFFFF, 0x000000, 0xFF0000, 0x000000});
    Rearrangement plan;
    std::string reason;
    ASSERT_TRUE(ConformToPalette(table, palette, &plan, &reason)) << reason;
    EXPECT_EQ(Colors(palette), Colors(plan.table));
    EXPECT_EQ(std::vector<uint32_t>({2, 1, 0, 1}), plan.map);
    EXPECT_EQ(3u, plan.moved);
    EXPECT_EQ(3u, plan.recolored);
    // The grey nearest black is the farthest.
    EXPECT_NEAR(ColorToOklab(0x10, 0x10, 0x10).l, plan.largestError, 1e-6);
    EXPECT_FALSE(ConformToPalette(table, ColorTable(), &plan, &reason));
}

}  // namespace
