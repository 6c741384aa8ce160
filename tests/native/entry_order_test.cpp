// Rearrangements waiting for Apply, applied at random points in between: the
// pixels, sent through each pending map, always show the colors they showed.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/remap.h"
#include "palette/color_table.h"
#include "palette/entry_order.h"
#include "palette/rearrange.h"

namespace {

uint32_t ColorOf(const ColorTable& table, uint32_t index)
{
    return index < table.GetCount() ? table.GetPackedColor(index) : 0xFFFFFFFFu;
}

TEST(EntryOrder, PixelsKeepTheirColorsThroughEveryPendingMap)
{
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const uint32_t count = 2 + random() % 30;
        ColorTable table;
        table.Reset(count);
        // Few colors, so that merges find duplicates.
        for (uint32_t i = 0; i < count; ++i) table.SetColor(i, uint8_t(random() % 4 * 80), 0, uint8_t(random() % 2));
        std::vector<uint32_t> pixels(64);
        for (uint32_t& p : pixels) p = random() % count;
        std::vector<uint32_t> colors;
        for (uint32_t p : pixels) colors.push_back(ColorOf(table, p));

        EntryOrder order, applied;
        ColorTable working(table);
        for (int step = 0; step < 8; ++step) {
            Rearrangement plan;
            std::string reason;
            const uint32_t n = working.GetCount();
            std::vector<bool> used(n, false);
            for (uint32_t p : pixels) {
                const std::vector<uint32_t> map = PixelMapBetween(applied, order);
                const uint32_t w = p < map.size() ? map[p] : p;
                if (w < n) used[w] = true;
            }
            bool planned;
            switch (random() % 5) {
            case 0: {
                const uint32_t entry = random() % n;
                planned = MoveEntries(working, entry, entry, random() % n, false, &plan, &reason);
                break;
            }
            case 1: planned = SwapEntries(working, random() % n, random() % n, false, &plan, &reason); break;
            case 2:
                planned = SortEntries(working, 0, n - 1, SortKey::Lightness, {}, false, &plan, &reason);
                break;
            case 3: planned = CompactEntries(working, used, 1, &plan, &reason); break;
            default: planned = MergeDuplicateEntries(working, {}, &plan, &reason); break;
            }
            if (!planned) continue;
            ASSERT_TRUE(working.Assign(plan.table));
            order = OrderAfter(order, plan.map);
            if (random() % 3) continue;
            // Apply: the pixels follow, and the picture's table becomes the working one.
            const std::vector<uint32_t> map = PixelMapBetween(applied, order);
            for (uint32_t& p : pixels) p = p < map.size() ? map[p] : p;
            applied = order;
            ASSERT_TRUE(PixelMapBetween(applied, order).empty());
            for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(colors[i], ColorOf(working, pixels[i])) << round;
        }
    }
}

}  // namespace
