// Rearrangements of a color table that keep the picture: each computes the
// new table and the entry map (old index -> new index) that the pixels and
// every index a file names (PNG bKGD, GIF transparent and background index)
// are sent through, so that every pixel shows the color it showed before.
// With keepIndices, only the table moves: the map still says where each
// entry went (for what travels with an entry, such as its PNG alpha), but the
// pixels keep their indices.
#ifndef KORIN_PALETTE_REARRANGE_H
#define KORIN_PALETTE_REARRANGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "palette/color_table.h"

struct Rearrangement {
    ColorTable table;            // the new table
    std::vector<uint32_t> map;   // one for each old entry; kDroppedEntry (image/remap.h) when removed
    bool remapPixels = true;     // false: the pixels keep their indices
    uint32_t moved = 0;          // old entries whose index changed
    uint32_t removed = 0;        // entries compact dropped; duplicates merge emptied
    uint32_t recolored = 0;      // conform: used entries whose pixels now show another color or alpha
    double largestError = 0.0;   // conform: the largest OKLab distance from an old color to its new one
};

// How the pixels of each entry show beside its color, one value an entry:
// entries of equal value are seen alike in every frame. A PNG entry's is
// its alpha; a GIF entry's is kFullySeen, kNeverSeen when every frame drawn
// with the table makes it transparent, and kSeenInSomeFrames + its index
// when only some do.
const uint32_t kNeverSeen = 0;
const uint32_t kFullySeen = 255;
const uint32_t kSeenInSomeFrames = 256;

enum class SortKey {
    Hue,        // greys (no hue) first, then red, yellow, green, cyan, blue, magenta
    Lightness,  // OKLab L, dark to light
    Usage,      // the most pixels first
};

// Entries first..last taken out and put back so that entry first lands at
// position (the others close up around them).
bool MoveEntries(const ColorTable& table, uint32_t first, uint32_t last, uint32_t position, bool keepIndices,
                 Rearrangement* result, std::string* reason);
bool SwapEntries(const ColorTable& table, uint32_t a, uint32_t b, bool keepIndices, Rearrangement* result,
                 std::string* reason);
// Entries first..last in order of key, stable: equal keys keep their order.
// counts holds the pixels of each index (Usage only; missing ones are 0).
bool SortEntries(const ColorTable& table, uint32_t first, uint32_t last, SortKey key,
                 const std::vector<uint64_t>& counts, bool keepIndices, Rearrangement* result, std::string* reason);
// Removes every entry that used[i] does not mark, keeping the order of the
// rest; when fewer than minimumEntries are marked, the first unmarked ones
// stay too.
bool CompactEntries(const ColorTable& table, const std::vector<bool>& used, uint32_t minimumEntries,
                    Rearrangement* result, std::string* reason);
// The pixels of each entry whose color and visibility (see kFullySeen; one
// for each entry, entries past its end fully seen) an earlier entry has move
// to the first such entry; the table stays as it is, the duplicates unused.
bool MergeDuplicateEntries(const ColorTable& table, const std::vector<uint32_t>& visibility,
                           Rearrangement* result, std::string* reason);
// palette becomes the table, exactly. Each entry used marks (every one when
// used is empty) whose pixels show maps to the palette color nearest to it
// in OKLab (ties to the lower index); each hidden one (kNeverSeen, or seen
// in some frames only) then to the nearest palette entry no other pixel
// takes, so that no pixel becomes visible or hidden (those never seen share
// one). Entries used does not mark are dropped. recolored counts the used
// entries whose color or visibility (that of the lowest entry sent to the
// same palette entry, as the file's alpha follows) changed. False, with a
// reason, when the palette leaves no entry for a hidden one.
bool ConformToPalette(const ColorTable& table, const ColorTable& palette, const std::vector<uint32_t>& visibility,
                      const std::vector<bool>& used, Rearrangement* result, std::string* reason);

#endif
