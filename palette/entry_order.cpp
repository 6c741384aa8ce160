#include "palette/entry_order.h"

#include "image/remap.h"

namespace {

const uint32_t kIndices = 256;

uint32_t Through(const std::vector<uint32_t>& map, uint32_t index)
{
    if (index == kDroppedEntry) return index;
    return index < map.size() ? map[index] : index;
}

uint32_t At(const EntryOrder& order, uint32_t entry)
{
    return order ? (*order)[entry] : entry;
}

}  // namespace

EntryOrder OrderAfter(const EntryOrder& order, const std::vector<uint32_t>& map)
{
    auto next = std::make_shared<std::vector<uint32_t>>(kIndices);
    bool moved = false;
    for (uint32_t b = 0; b < kIndices; ++b) {
        (*next)[b] = Through(map, At(order, b));
        moved = moved || (*next)[b] != b;
    }
    if (!moved) return nullptr;
    return next;
}

std::vector<uint32_t> PixelMapBetween(const EntryOrder& applied, const EntryOrder& order)
{
    std::vector<uint32_t> map(kIndices);
    std::vector<bool> held(kIndices, false);
    for (uint32_t b = 0; b < kIndices; ++b) {
        const uint32_t pixel = At(applied, b);
        // Merged entries share their pixels: the first one decides.
        if (pixel == kDroppedEntry || held[pixel]) continue;
        held[pixel] = true;
        map[pixel] = At(order, b);
    }
    bool moves = false;
    for (uint32_t c = 0; c < kIndices; ++c) {
        // No entry lies at c, so no pixel holds it.
        if (!held[c]) map[c] = c;
        moves = moves || map[c] != c;
    }
    if (!moves) map.clear();
    return map;
}

std::vector<uint32_t> ComposeMaps(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    if (a.empty()) return b;
    if (b.empty()) return a;
    std::vector<uint32_t> both(kIndices);
    for (uint32_t i = 0; i < kIndices; ++i) both[i] = Through(b, Through(a, i));
    return both;
}

std::vector<uint64_t> CountsThrough(const std::vector<uint64_t>& counts, const std::vector<uint32_t>& map,
                                    size_t count)
{
    std::vector<uint64_t> result(count, 0);
    for (uint32_t i = 0; i < counts.size(); ++i) {
        const uint32_t to = Through(map, i);
        if (to < count) result[to] += counts[i];
    }
    return result;
}
