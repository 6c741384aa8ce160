#include "color/nearest_entry.h"

#include <algorithm>

NearestEntry::NearestEntry() {}

void NearestEntry::Reset(const std::vector<OklabColor>& colors, const std::vector<bool>& usable)
{
    sorted.clear();
    for (uint32_t i = 0; i < colors.size(); ++i) {
        if (!usable.empty() && (i >= usable.size() || !usable[i])) continue;
        sorted.push_back({colors[i].l, colors[i].a, colors[i].b, i});
    }
    std::sort(sorted.begin(), sorted.end(), [](const Candidate& x, const Candidate& y) {
        return x.l != y.l ? x.l < y.l : x.index < y.index;
    });
}

uint32_t NearestEntry::Find(const OklabColor& color, double* distance2) const
{
    const size_t count = sorted.size();
    // The first candidate not darker than the color; the walk goes both ways from there.
    size_t low = 0, high = count;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (sorted[middle].l < color.l) low = middle + 1;
        else high = middle;
    }
    double best = -1.0;
    uint32_t bestIndex = 0;
    auto consider = [&](const Candidate& c) {
        const double dl = color.l - c.l, da = color.a - c.a, db = color.b - c.b;
        const double d = dl * dl + da * da + db * db;
        if (best < 0 || d < best || (d == best && c.index < bestIndex)) {
            best = d;
            bestIndex = c.index;
        }
    };
    size_t up = low, down = low;
    for (;;) {
        const bool canUp = up < count, canDown = down > 0;
        if (!canUp && !canDown) break;
        // The side whose next lightness is closer goes first.
        const double upGap = canUp ? sorted[up].l - color.l : 0.0;
        const double downGap = canDown ? color.l - sorted[down - 1].l : 0.0;
        if (canUp && (!canDown || upGap <= downGap)) {
            if (best >= 0 && upGap * upGap > best) {
                up = count;  // everything further up is further still
                continue;
            }
            consider(sorted[up++]);
        } else {
            if (best >= 0 && downGap * downGap > best) {
                down = 0;
                continue;
            }
            consider(sorted[--down]);
        }
    }
    if (distance2) *distance2 = best;
    return bestIndex;
}
