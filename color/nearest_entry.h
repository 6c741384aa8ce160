// The palette entry nearest a color in OKLab (or in any three coordinates
// whose Euclidean distance is the measure; the first stands for lightness),
// exactly (ties to the lower index), over up to 256 entries. A grid over the entries' extent lists for each
// cell the entries that can be nearest to some point in it (those no farther
// from the cell than the farthest point of the cell is from the closest
// entry), the nearest to the cell first, so that a search stops at the first
// farther than its best; a color outside the grid walks the entries sorted by lightness,
// leaving off once the lightness difference alone exceeds the best distance.
#ifndef KORIN_COLOR_NEAREST_ENTRY_H
#define KORIN_COLOR_NEAREST_ENTRY_H

#include <cstdint>
#include <vector>

#include "color/oklab.h"

class NearestEntry {
public:
    NearestEntry();

    // The entries to choose from; usable[i] false leaves entry i out (an
    // empty usable takes them all). Without the grid every search walks:
    // cheaper for a set searched only some thousands of times.
    void Reset(const std::vector<OklabColor>& colors, const std::vector<bool>& usable = std::vector<bool>(),
               bool withGrid = true);
    bool IsEmpty() const { return sorted.empty(); }
    // The nearest usable entry's index; its squared distance in *distance2.
    // Only on a non-empty set.
    // hint, a usable entry likely near (the previous pixel's), only speeds it up.
    uint32_t Find(const OklabColor& color, double* distance2 = nullptr, int32_t hint = -1) const;

private:
    struct Candidate {
        double l, a, b;
        uint32_t index;
    };
    int CellOf(double v, int axis) const;

    std::vector<Candidate> sorted;  // by l, then index
    double low[3], high[3];         // the grid's bounds
    std::vector<int32_t> place;     // each entry's place in sorted; -1 when left out
    std::vector<uint32_t> cellStart;  // cell c's candidates: cellEntries[cellStart[c] .. cellStart[c + 1])
    std::vector<uint16_t> cellEntries;  // places in sorted, the nearest to the cell first
    std::vector<double> cellNear;       // each one's squared distance from the cell
};

#endif
