// A palette made from a picture: its visible colors gathered in bins, split
// in OKLab into as many groups as colors are asked for (the group of the
// largest spread split first, across its widest axis), then refined by
// k-means. Entries given in advance keep their places and draw their colors
// to themselves; the chosen ones follow, dark to light unless asked otherwise.
#ifndef KORIN_COLOR_PALETTE_MAKER_H
#define KORIN_COLOR_PALETTE_MAKER_H

#include <cstdint>
#include <string>
#include <vector>

#include "palette/color_table.h"

// The visible colors of a picture, row by row: 6 bits a channel pick the
// bin, which keeps the sums of the full colors it took (a fixed 8 MiB).
class ColorHistogram {
public:
    ColorHistogram();
    void AddRow(const uint8_t* rgba, uint32_t width, uint32_t alphaThreshold);
    bool HasTransparent() const { return transparent; }
    uint64_t Pixels() const { return pixels; }

private:
    friend class PaletteMaking;
    struct Bin {
        uint64_t count, red, green, blue;
    };
    std::vector<Bin> bins;
    std::vector<uint32_t> distinct;  // the first colors seen, while there are few
    bool many;                       // more than 256 distinct colors
    bool transparent;
    uint64_t pixels;
};

struct PaletteRequest {
    uint32_t colors = 256;               // 2 to 256, the fixed ones included
    ColorTable fixed;                    // entries 0.. kept as they are
    std::vector<uint8_t> fixedAlpha;     // their alpha (short: opaque)
    bool sortByLightness = true;
};

// The palette, request.colors entries at most (fewer when the picture has
// fewer colors); alpha gets each entry's alpha (the fixed ones' own, 255 for
// the chosen). False with a reason for a count outside 2..256 or more fixed
// entries than colors.
bool MakePalette(const ColorHistogram& histogram, const PaletteRequest& request, ColorTable* palette,
                 std::vector<uint8_t>* alpha, std::string* reason);

#endif
