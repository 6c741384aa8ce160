// The palette entry nearest a color in OKLab, exactly (ties to the lower
// index), over up to 256 entries: the entries sorted by lightness, and the
// search leaving off once the lightness difference alone is larger than the
// best distance found.
#ifndef KORIN_COLOR_NEAREST_ENTRY_H
#define KORIN_COLOR_NEAREST_ENTRY_H

#include <cstdint>
#include <vector>

#include "color/oklab.h"

class NearestEntry {
public:
    NearestEntry();

    // The entries to choose from; usable[i] false leaves entry i out (an
    // empty usable takes them all).
    void Reset(const std::vector<OklabColor>& colors, const std::vector<bool>& usable = std::vector<bool>());
    bool IsEmpty() const { return sorted.empty(); }
    // The nearest usable entry's index; its squared distance in *distance2.
    // Only on a non-empty set.
    uint32_t Find(const OklabColor& color, double* distance2 = nullptr) const;

private:
    struct Candidate {
        double l, a, b;
        uint32_t index;
    };
    std::vector<Candidate> sorted;  // by l, then index
};

#endif
