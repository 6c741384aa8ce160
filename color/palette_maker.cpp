#include "color/palette_maker.h"

#include <algorithm>

#include "color/nearest_entry.h"
#include "color/oklab.h"

namespace {

const uint32_t kBinBits = 6;
const uint32_t kMostDistinct = 256;
const int kRefinements = 16;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

struct Point {
    OklabColor lab;
    double weight;
};

// A group of points being split: its range in the point list and its sums.
struct Group {
    size_t first, last;  // [first, last)
    double weight, error;
    OklabColor mean;
};

double Axis(const OklabColor& c, int axis)
{
    return axis == 0 ? c.l : (axis == 1 ? c.a : c.b);
}

Group Measure(const std::vector<Point>& points, size_t first, size_t last)
{
    Group g = {first, last, 0.0, 0.0, {0, 0, 0}};
    for (size_t i = first; i < last; ++i) {
        const Point& p = points[i];
        g.weight += p.weight;
        g.mean.l += p.lab.l * p.weight;
        g.mean.a += p.lab.a * p.weight;
        g.mean.b += p.lab.b * p.weight;
    }
    if (g.weight > 0) {
        g.mean.l /= g.weight;
        g.mean.a /= g.weight;
        g.mean.b /= g.weight;
    }
    for (size_t i = first; i < last; ++i) g.error += points[i].weight * OklabDistanceSquared(points[i].lab, g.mean);
    return g;
}

// Splits g across its widest axis where the two halves' errors add up least.
bool Split(std::vector<Point>& points, const Group& g, Group* low, Group* high)
{
    if (g.last - g.first < 2) return false;
    double spread[3] = {0, 0, 0};
    for (size_t i = g.first; i < g.last; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            const double d = Axis(points[i].lab, axis) - Axis(g.mean, axis);
            spread[axis] += points[i].weight * d * d;
        }
    }
    const int axis = spread[0] >= spread[1] && spread[0] >= spread[2] ? 0 : (spread[1] >= spread[2] ? 1 : 2);
    std::sort(points.begin() + long(g.first), points.begin() + long(g.last),
              [axis](const Point& x, const Point& y) { return Axis(x.lab, axis) < Axis(y.lab, axis); });
    // Weighted sums from the left give each cut's error along the axis.
    double totalWeight = 0, totalSum = 0, totalSquares = 0;
    for (size_t i = g.first; i < g.last; ++i) {
        const double v = Axis(points[i].lab, axis);
        totalWeight += points[i].weight;
        totalSum += v * points[i].weight;
        totalSquares += v * v * points[i].weight;
    }
    double w = 0, s = 0, q = 0, bestCost = -1;
    size_t cut = g.first + 1;
    for (size_t i = g.first; i + 1 < g.last; ++i) {
        const double v = Axis(points[i].lab, axis);
        w += points[i].weight;
        s += v * points[i].weight;
        q += v * v * points[i].weight;
        const double rw = totalWeight - w, rs = totalSum - s, rq = totalSquares - q;
        const double cost = (q - s * s / w) + (rw > 0 ? rq - rs * rs / rw : 0);
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            cut = i + 1;
        }
    }
    *low = Measure(points, g.first, cut);
    *high = Measure(points, cut, g.last);
    return true;
}

}  // namespace

ColorHistogram::ColorHistogram()
    : bins(size_t(1) << (3 * kBinBits), Bin{0, 0, 0, 0}), many(false), transparent(false), pixels(0)
{
}

void ColorHistogram::AddRow(const uint8_t* rgba, uint32_t width, uint32_t alphaThreshold)
{
    const uint32_t shift = 8 - kBinBits;
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = rgba + 4 * x;
        if (p[3] < alphaThreshold) {
            transparent = true;
            continue;
        }
        ++pixels;
        Bin& bin = bins[(uint32_t(p[0]) >> shift) << (2 * kBinBits) | (uint32_t(p[1]) >> shift) << kBinBits |
                        uint32_t(p[2]) >> shift];
        ++bin.count;
        bin.red += p[0];
        bin.green += p[1];
        bin.blue += p[2];
        if (!many) {
            const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            if (std::find(distinct.begin(), distinct.end(), rgb) == distinct.end()) {
                if (distinct.size() == kMostDistinct) {
                    many = true;
                    distinct.clear();
                } else {
                    distinct.push_back(rgb);
                }
            }
        }
    }
}

// Reaches the histogram's bins for MakePalette.
class PaletteMaking {
public:
    static std::vector<Point> Points(const ColorHistogram& h)
    {
        std::vector<Point> points;
        for (const ColorHistogram::Bin& bin : h.bins) {
            if (bin.count == 0) continue;
            const double n = double(bin.count);
            const OklabColor lab = ColorToOklab(uint8_t(bin.red / n + 0.5), uint8_t(bin.green / n + 0.5),
                                                uint8_t(bin.blue / n + 0.5));
            points.push_back({lab, n});
        }
        return points;
    }
    static const std::vector<uint32_t>* Distinct(const ColorHistogram& h) { return h.many ? nullptr : &h.distinct; }
};

bool MakePalette(const ColorHistogram& histogram, const PaletteRequest& request, ColorTable* palette,
                 std::vector<uint8_t>* alpha, std::string* reason)
{
    const uint32_t fixedCount = request.fixed.GetCount();
    if (request.colors < 2 || request.colors > 256)
        return Refuse(reason, "the count of colors is 2 to 256, not " + std::to_string(request.colors));
    if (fixedCount > request.colors)
        return Refuse(reason, std::to_string(fixedCount) + " entries kept leave no room in " +
                                  std::to_string(request.colors) + " colors");
    const uint32_t free = request.colors - fixedCount;
    auto fixedAlpha = [&](uint32_t i) { return i < request.fixedAlpha.size() ? request.fixedAlpha[i] : uint8_t(255); };

    std::vector<OklabColor> chosen;
    const std::vector<uint32_t>* distinct = PaletteMaking::Distinct(histogram);
    if (distinct && distinct->size() <= free) {
        // Few colors: each is an entry of its own, exactly.
        for (uint32_t rgb : *distinct) chosen.push_back(ColorToOklab(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)));
    } else if (free > 0) {
        std::vector<Point> points = PaletteMaking::Points(histogram);
        std::vector<Group> groups;
        if (!points.empty()) groups.push_back(Measure(points, 0, points.size()));
        while (groups.size() < free) {
            size_t worst = groups.size();
            for (size_t i = 0; i < groups.size(); ++i)
                if (groups[i].last - groups[i].first > 1 && (worst == groups.size() || groups[i].error > groups[worst].error))
                    worst = i;
            if (worst == groups.size()) break;
            Group low, high;
            if (!Split(points, groups[worst], &low, &high)) break;
            groups[worst] = low;
            groups.push_back(high);
        }
        std::vector<OklabColor> centres;
        std::vector<bool> movable;
        for (uint32_t i = 0; i < fixedCount; ++i) {
            const ColorEntry& e = *request.fixed.GetEntry(i);
            centres.push_back(ColorToOklab(e.red, e.green, e.blue));
            movable.push_back(false);
        }
        for (const Group& g : groups) {
            centres.push_back(g.mean);
            movable.push_back(true);
        }
        std::vector<bool> attracts(centres.size(), true);
        for (uint32_t i = 0; i < fixedCount; ++i) attracts[i] = fixedAlpha(i) == 255;
        NearestEntry nearest;
        std::vector<double> sums(4 * centres.size());
        for (int round = 0; round < kRefinements; ++round) {
            nearest.Reset(centres, attracts);
            std::fill(sums.begin(), sums.end(), 0.0);
            double worstError = -1;
            size_t worstPoint = 0;
            for (size_t i = 0; i < points.size(); ++i) {
                double d2 = 0;
                const uint32_t c = nearest.Find(points[i].lab, &d2);
                const double w = points[i].weight;
                sums[4 * c] += w;
                sums[4 * c + 1] += points[i].lab.l * w;
                sums[4 * c + 2] += points[i].lab.a * w;
                sums[4 * c + 3] += points[i].lab.b * w;
                if (d2 * w > worstError) {
                    worstError = d2 * w;
                    worstPoint = i;
                }
            }
            bool moved = false;
            for (size_t c = 0; c < centres.size(); ++c) {
                if (!movable[c]) continue;
                if (sums[4 * c] == 0) {
                    // An empty group moves to the point worst served.
                    centres[c] = points[worstPoint].lab;
                    moved = true;
                    continue;
                }
                const OklabColor mean = {sums[4 * c + 1] / sums[4 * c], sums[4 * c + 2] / sums[4 * c],
                                         sums[4 * c + 3] / sums[4 * c]};
                if (OklabDistanceSquared(mean, centres[c]) > 1e-12) moved = true;
                centres[c] = mean;
            }
            if (!moved) break;
        }
        chosen.assign(centres.begin() + fixedCount, centres.end());
    }

    std::vector<ColorEntry> made;
    for (const OklabColor& lab : chosen) {
        uint8_t rgb[3];
        OklabToColor(lab, rgb);
        made.push_back({rgb[0], rgb[1], rgb[2], 0});
    }
    if (request.sortByLightness) {
        std::stable_sort(made.begin(), made.end(), [](const ColorEntry& x, const ColorEntry& y) {
            return ColorToOklab(x.red, x.green, x.blue).l < ColorToOklab(y.red, y.green, y.blue).l;
        });
    }
    if (!palette->Reset(fixedCount + uint32_t(made.size()))) return Refuse(reason, "needs more memory than is free");
    alpha->assign(palette->GetCount(), 255);
    for (uint32_t i = 0; i < fixedCount; ++i) {
        const ColorEntry& e = *request.fixed.GetEntry(i);
        palette->SetColor(i, e.red, e.green, e.blue);
        (*alpha)[i] = fixedAlpha(i);
    }
    for (size_t i = 0; i < made.size(); ++i)
        palette->SetColor(fixedCount + uint32_t(i), made[i].red, made[i].green, made[i].blue);
    return true;
}
