#include "palette/rearrange.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "image/remap.h"
#include "color/oklab.h"

namespace {

bool Refuse(std::string* reason, const std::string& why)
{
    *reason = why;
    return false;
}

bool CheckEntry(const ColorTable& table, uint32_t index, const char* what, std::string* reason)
{
    if (index < table.GetCount()) return true;
    return Refuse(reason, std::string(what) + " " + std::to_string(index) + " is not in the table of " +
                              std::to_string(table.GetCount()) + " entries (0 to " +
                              std::to_string(table.GetCount() - 1) + ")");
}

// The table in the order given: new entry n is old entry order[n].
bool FromOrder(const ColorTable& table, const std::vector<uint32_t>& order, bool keepIndices,
               Rearrangement* result, std::string* reason)
{
    if (!result->table.Reset(uint32_t(order.size()))) return Refuse(reason, "needs more memory than is free");
    result->map.assign(table.GetCount(), kDroppedEntry);
    result->moved = result->removed = result->recolored = 0;
    result->largestError = 0.0;
    for (uint32_t n = 0; n < order.size(); ++n) {
        *result->table.GetEntry(n) = *table.GetEntry(order[n]);
        result->map[order[n]] = n;
        if (order[n] != n) ++result->moved;
    }
    result->remapPixels = !keepIndices;
    return true;
}

std::vector<uint32_t> Identity(uint32_t count)
{
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i) order[i] = i;
    return order;
}

// Hue as an exact fraction of the circle, numerator / (6 × range), so that
// equal hues compare equal; greys have none and sort first.
struct Hue {
    bool grey;
    int64_t numerator, denominator;
};

Hue HueOf(const ColorEntry& e)
{
    const int r = e.red, g = e.green, b = e.blue;
    const int high = std::max(r, std::max(g, b)), low = std::min(r, std::min(g, b));
    const int range = high - low;
    if (range == 0) return {true, 0, 1};
    int sixths;
    if (high == r) sixths = g >= b ? g - b : 6 * range + g - b;
    else if (high == g) sixths = 2 * range + b - r;
    else sixths = 4 * range + r - g;
    return {false, sixths, 6 * int64_t(range)};
}

bool HueBefore(const Hue& x, const Hue& y)
{
    if (x.grey != y.grey) return x.grey;
    return x.numerator * y.denominator < y.numerator * x.denominator;
}

OklabColor LabOf(const ColorEntry& e)
{
    return ColorToOklab(e.red, e.green, e.blue);
}

}  // namespace

bool MoveEntries(const ColorTable& table, uint32_t first, uint32_t last, uint32_t position, bool keepIndices,
                 Rearrangement* result, std::string* reason)
{
    if (!CheckEntry(table, first, "entry", reason) || !CheckEntry(table, last, "entry", reason)) return false;
    if (last < first) return Refuse(reason, "the range " + std::to_string(first) + "-" + std::to_string(last) +
                                                " ends before it starts");
    const uint32_t length = last - first + 1;
    if (uint64_t(position) + length > table.GetCount())
        return Refuse(reason, "entries " + std::to_string(first) + "-" + std::to_string(last) + " at position " +
                                  std::to_string(position) + " would run past the table's last entry (" +
                                  std::to_string(table.GetCount() - 1) + ")");
    std::vector<uint32_t> rest;
    for (uint32_t i = 0; i < table.GetCount(); ++i)
        if (i < first || i > last) rest.push_back(i);
    std::vector<uint32_t> order(rest.begin(), rest.begin() + position);
    for (uint32_t i = first; i <= last; ++i) order.push_back(i);
    order.insert(order.end(), rest.begin() + position, rest.end());
    return FromOrder(table, order, keepIndices, result, reason);
}

bool SwapEntries(const ColorTable& table, uint32_t a, uint32_t b, bool keepIndices, Rearrangement* result,
                 std::string* reason)
{
    if (!CheckEntry(table, a, "entry", reason) || !CheckEntry(table, b, "entry", reason)) return false;
    std::vector<uint32_t> order = Identity(table.GetCount());
    std::swap(order[a], order[b]);
    return FromOrder(table, order, keepIndices, result, reason);
}

bool SortEntries(const ColorTable& table, uint32_t first, uint32_t last, SortKey key,
                 const std::vector<uint64_t>& counts, bool keepIndices, Rearrangement* result, std::string* reason)
{
    if (!CheckEntry(table, first, "entry", reason) || !CheckEntry(table, last, "entry", reason)) return false;
    if (last < first) return Refuse(reason, "the range " + std::to_string(first) + "-" + std::to_string(last) +
                                                " ends before it starts");
    std::vector<uint32_t> order = Identity(table.GetCount());
    const auto begin = order.begin() + first, end = order.begin() + last + 1;
    if (key == SortKey::Hue) {
        std::stable_sort(begin, end, [&](uint32_t x, uint32_t y) {
            return HueBefore(HueOf(*table.GetEntry(x)), HueOf(*table.GetEntry(y)));
        });
    } else if (key == SortKey::Lightness) {
        std::vector<double> lightness(table.GetCount());
        for (uint32_t i = first; i <= last; ++i) lightness[i] = LabOf(*table.GetEntry(i)).l;
        std::stable_sort(begin, end, [&](uint32_t x, uint32_t y) { return lightness[x] < lightness[y]; });
    } else {
        auto pixels = [&](uint32_t i) { return i < counts.size() ? counts[i] : 0; };
        std::stable_sort(begin, end, [&](uint32_t x, uint32_t y) { return pixels(x) > pixels(y); });
    }
    return FromOrder(table, order, keepIndices, result, reason);
}

bool CompactEntries(const ColorTable& table, const std::vector<bool>& used, uint32_t minimumEntries,
                    Rearrangement* result, std::string* reason)
{
    const uint32_t count = table.GetCount();
    uint32_t marked = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (i < used.size() && used[i]) ++marked;
    uint32_t extra = minimumEntries > marked ? minimumEntries - marked : 0;
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < count; ++i) {
        const bool keep = i < used.size() && used[i];
        if (keep || extra > 0) order.push_back(i);
        if (!keep && extra > 0) --extra;
    }
    if (!FromOrder(table, order, false, result, reason)) return false;
    result->removed = count - uint32_t(order.size());
    return true;
}

bool MergeDuplicateEntries(const ColorTable& table, const std::vector<uint32_t>& visibility,
                           Rearrangement* result, std::string* reason)
{
    if (!FromOrder(table, Identity(table.GetCount()), false, result, reason)) return false;
    auto seen = [&](uint32_t i) { return i < visibility.size() ? visibility[i] : kFullySeen; };
    for (uint32_t j = 1; j < table.GetCount(); ++j) {
        const ColorEntry& later = *table.GetEntry(j);
        for (uint32_t i = 0; i < j; ++i) {
            const ColorEntry& earlier = *table.GetEntry(i);
            if (earlier.red == later.red && earlier.green == later.green && earlier.blue == later.blue &&
                seen(i) == seen(j) && result->map[i] == i) {
                result->map[j] = i;
                ++result->moved;
                ++result->removed;
                break;
            }
        }
    }
    return true;
}

bool ConformToPalette(const ColorTable& table, const ColorTable& palette, const std::vector<uint32_t>& visibility,
                      const std::vector<bool>& used, Rearrangement* result, std::string* reason)
{
    if (palette.GetCount() == 0) return Refuse(reason, "the palette has no entries");
    if (!result->table.Assign(palette)) return Refuse(reason, "needs more memory than is free");
    std::vector<OklabColor> targets(palette.GetCount());
    for (uint32_t n = 0; n < palette.GetCount(); ++n) targets[n] = LabOf(*palette.GetEntry(n));
    const uint32_t count = table.GetCount();
    auto seen = [&](uint32_t i) { return i < visibility.size() ? visibility[i] : kFullySeen; };
    auto isUsed = [&](uint32_t i) { return used.empty() || (i < used.size() && used[i]); };
    // A hidden entry (never seen, or transparent in some frames) needs a
    // palette entry no other pixel shows through.
    auto hidden = [](uint32_t visible) { return visible == kNeverSeen || visible > kFullySeen; };
    // The visibility each palette entry has taken on: the file's alpha or
    // transparent index then says it of the palette entry.
    const uint64_t kFree = UINT64_MAX;
    std::vector<uint64_t> owner(palette.GetCount(), kFree);
    result->map.assign(count, kDroppedEntry);
    result->remapPixels = true;
    result->moved = result->removed = result->recolored = 0;
    result->largestError = 0.0;
    // The nearest palette entry that take(owner) allows; kDroppedEntry for none.
    auto nearest = [&](uint32_t i, const std::function<bool(uint64_t)>& take) {
        const OklabColor color = LabOf(*table.GetEntry(i));
        uint32_t best = kDroppedEntry;
        double bestDistance = 0.0;
        for (uint32_t n = 0; n < targets.size(); ++n) {
            if (!take(owner[n])) continue;
            const double distance = OklabDistance(color, targets[n]);
            if (best == kDroppedEntry || distance < bestDistance) {
                best = n;
                bestDistance = distance;
            }
        }
        return best;
    };
    // Visible entries take their nearest colors first; hidden ones then need
    // one of the entries left.
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t visible = seen(i);
            if (!isUsed(i) || hidden(visible) != (pass == 1)) continue;
            uint32_t best;
            if (pass == 0) {
                best = nearest(i, [&](uint64_t) { return true; });
            } else if (visible == kNeverSeen) {
                // Pixels never seen show no color: one entry holds them all.
                best = nearest(i, [&](uint64_t o) { return o == visible; });
                if (best == kDroppedEntry) best = nearest(i, [&](uint64_t o) { return o == kFree; });
            } else {
                best = nearest(i, [&](uint64_t o) { return o == kFree; });
            }
            if (best == kDroppedEntry) {
                const std::string what = visible == kNeverSeen ? "transparent" : "transparent in some frames";
                return Refuse(reason, "has entry " + std::to_string(i) + " " + what +
                                          ", and the palette leaves no entry free to keep it so: each of its " +
                                          std::to_string(palette.GetCount()) +
                                          " entries shows visible pixels or another transparent entry");
            }
            if (owner[best] == kFree) owner[best] = visible;
            result->map[i] = best;
            if (best != i) ++result->moved;
        }
    }
    // What each pixel shows now: the palette's color, and the visibility of
    // the lowest entry sent to it, as the file's alpha follows the entries.
    std::vector<uint32_t> lowest(palette.GetCount(), kDroppedEntry);
    for (uint32_t i = count; i-- > 0;)
        if (result->map[i] != kDroppedEntry) lowest[result->map[i]] = i;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t n = result->map[i];
        if (n == kDroppedEntry) continue;
        const ColorEntry& from = *table.GetEntry(i);
        const ColorEntry& to = *palette.GetEntry(n);
        // Pixels never seen keep showing nothing, whatever the color.
        const bool sameColor =
            seen(i) == kNeverSeen || (from.red == to.red && from.green == to.green && from.blue == to.blue);
        if (sameColor && seen(lowest[n]) == seen(i)) continue;
        ++result->recolored;
        if (!sameColor) result->largestError = std::max(result->largestError, OklabDistance(LabOf(from), targets[n]));
    }
    return true;
}
