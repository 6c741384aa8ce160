#include "color/nearest_entry.h"

#include <algorithm>

namespace {

const int kCells = 24;  // a side
const double kMargin = 0.02;

}  // namespace

// The cell of a coordinate, or -1 outside the grid.
int NearestEntry::CellOf(double v, int axis) const
{
    const double t = (v - low[axis]) / (high[axis] - low[axis]) * kCells;
    if (!(t >= 0.0) || t > double(kCells)) return -1;
    const int cell = int(t);
    return cell == kCells ? kCells - 1 : cell;
}

NearestEntry::NearestEntry() : low{0, 0, 0}, high{0, 0, 0} {}

void NearestEntry::Reset(const std::vector<OklabColor>& colors, const std::vector<bool>& usable, bool withGrid)
{
    sorted.clear();
    for (uint32_t i = 0; i < colors.size(); ++i) {
        if (!usable.empty() && (i >= usable.size() || !usable[i])) continue;
        sorted.push_back({colors[i].l, colors[i].a, colors[i].b, i});
    }
    std::sort(sorted.begin(), sorted.end(), [](const Candidate& x, const Candidate& y) {
        return x.l != y.l ? x.l < y.l : x.index < y.index;
    });
    place.assign(colors.size(), -1);
    for (size_t i = 0; i < sorted.size(); ++i) place[sorted[i].index] = int32_t(i);

    // Per cell: the least of the entries' farthest distances bounds the
    // nearest; every entry whose closest distance is within it is listed.
    cellStart.assign(size_t(kCells) * kCells * kCells + 1, 0);
    cellEntries.clear();
    cellNear.clear();
    if (sorted.empty() || !withGrid) return;
    // The grid spans the entries (and a little more): colors beyond walk.
    for (int axis = 0; axis < 3; ++axis) {
        low[axis] = high[axis] = axis == 0 ? sorted[0].l : (axis == 1 ? sorted[0].a : sorted[0].b);
        for (const Candidate& c : sorted) {
            const double v = axis == 0 ? c.l : (axis == 1 ? c.a : c.b);
            low[axis] = std::min(low[axis], v);
            high[axis] = std::max(high[axis], v);
        }
        low[axis] -= kMargin;
        high[axis] += kMargin;
    }
    std::vector<size_t> byIndex(sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) byIndex[i] = i;
    std::sort(byIndex.begin(), byIndex.end(), [&](size_t x, size_t y) { return sorted[x].index < sorted[y].index; });
    std::vector<double> nearSide(sorted.size());
    double width[3];
    for (int axis = 0; axis < 3; ++axis) width[axis] = (high[axis] - low[axis]) / kCells;
    size_t cell = 0;
    for (int i = 0; i < kCells; ++i) {
        for (int j = 0; j < kCells; ++j) {
            for (int k = 0; k < kCells; ++k, ++cell) {
                const int at[3] = {i, j, k};
                double bound = -1.0;
                for (size_t e = 0; e < sorted.size(); ++e) {
                    const double v[3] = {sorted[e].l, sorted[e].a, sorted[e].b};
                    double closest = 0.0, farthest = 0.0;
                    for (int axis = 0; axis < 3; ++axis) {
                        const double from = low[axis] + at[axis] * width[axis], to = from + width[axis];
                        const double outside = v[axis] < from ? from - v[axis] : (v[axis] > to ? v[axis] - to : 0.0);
                        const double across = std::max(v[axis] - from, to - v[axis]);
                        closest += outside * outside;
                        farthest += across * across;
                    }
                    nearSide[e] = closest;
                    if (bound < 0 || farthest < bound) bound = farthest;
                }
                // A little room for rounding: an extra candidate costs nothing but time.
                bound = bound * (1.0 + 1e-9) + 1e-15;
                // Nearest side first: a search stops at the first that is
                // farther than the best found, since every point of the cell is.
                const size_t first = cellEntries.size();
                for (size_t e : byIndex)
                    if (nearSide[e] <= bound) cellEntries.push_back(uint16_t(e));
                std::stable_sort(cellEntries.begin() + first, cellEntries.end(),
                                 [&](uint16_t x, uint16_t y) { return nearSide[x] < nearSide[y]; });
                for (size_t n = first; n < cellEntries.size(); ++n) cellNear.push_back(nearSide[cellEntries[n]]);
                cellStart[cell + 1] = uint32_t(cellEntries.size());
            }
        }
    }
}

uint32_t NearestEntry::Find(const OklabColor& color, double* distance2, int32_t hint) const
{
    const int ci = CellOf(color.l, 0), cj = CellOf(color.a, 1), ck = CellOf(color.b, 2);
    if (ci >= 0 && cj >= 0 && ck >= 0 && !cellEntries.empty()) {
        const size_t cell = (size_t(ci) * kCells + size_t(cj)) * kCells + size_t(ck);
        double best = -1.0;
        uint32_t bestIndex = 0;
        for (uint32_t n = cellStart[cell]; n < cellStart[cell + 1]; ++n) {
            // Room for rounding, as in the lists: an extra look costs only time.
            if (best >= 0 && cellNear[n] > best * (1.0 + 1e-9) + 1e-15) break;
            const Candidate& c = sorted[cellEntries[n]];
            const double dl = color.l - c.l, da = color.a - c.a, db = color.b - c.b;
            const double d = dl * dl + da * da + db * db;
            if (best < 0 || d < best || (d == best && c.index < bestIndex)) {
                best = d;
                bestIndex = c.index;
            }
        }
        if (distance2) *distance2 = best;
        return bestIndex;
    }
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
    // A good first guess narrows the walk from the start.
    if (hint >= 0 && size_t(hint) < place.size() && place[size_t(hint)] >= 0) consider(sorted[size_t(place[size_t(hint)])]);
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
