// Truecolor rows onto a fixed palette, row by row from the top: each pixel
// the nearest entry in OKLab, with error diffusion (in linear light, serpentine)
// or an ordered pattern when asked. Under error diffusion a pixel takes the
// entry nearest its color plus the error carried to it, measured in the square
// roots of linear light: near enough to the light the error is carried in that
// each choice takes the error down (in OKLab, whose cube roots stretch the dark
// colors, it grows into sparse bright pixels on a palette with few colors near
// the picture's), and near to how sRGB spaces the colors. A pixel whose color is exactly an entry's
// takes that entry (the lowest such index) whatever the dithering; a pixel
// below the alpha threshold takes the transparent entry. Memory: two rows of
// error, whatever the picture's height.
#ifndef KORIN_COLOR_PALETTE_MAPPER_H
#define KORIN_COLOR_PALETTE_MAPPER_H

#include <cstdint>
#include <string>
#include <vector>

#include "color/nearest_entry.h"
#include "color/oklab.h"

class ColorTable;

enum class Dithering { None, FloydSteinberg, FloydSteinbergLight, Bayer2, Bayer4, Bayer8 };

// "none", "fs", "fs-light", "bayer2", "bayer4", "bayer8"; false for any other word.
bool DitheringFromWord(const std::string& word, Dithering* dithering);

struct MapSettings {
    Dithering dithering = Dithering::None;
    uint32_t alphaThreshold = 128;  // alpha below this is transparent
    int32_t transparentEntry = -1;  // -1: the first entry whose alpha is 0
};

// How far a mapped picture is from its original, over its visible pixels.
struct MapError {
    uint64_t pixels = 0;
    double sum = 0.0;      // of OKLab distances
    double largest = 0.0;
    double Mean() const { return pixels ? sum / double(pixels) : 0.0; }
};

class PaletteMapper {
public:
    PaletteMapper();

    // The palette (alpha per entry, empty or short for opaque), the settings
    // and the rows' width. False with a reason when no entry is opaque or a
    // named transparent entry is not in the palette.
    bool Start(const ColorTable& palette, const std::vector<uint8_t>& alpha, const MapSettings& settings,
               uint32_t width, std::string* reason);
    // The entry transparent pixels take; -1 when there is none.
    int32_t TransparentEntry() const { return transparent; }
    // Maps the next row: rgba holds 4 bytes a pixel (red, green, blue,
    // alpha), indices takes one entry a pixel. False, the row incomplete,
    // for a transparent pixel when the palette has no transparent entry.
    bool MapRow(const uint8_t* rgba, uint8_t* indices, std::string* reason);
    const MapError& Error() const { return error; }

private:
    struct Linear {
        float r, g, b;
    };
    // The entry of an exact palette color, or -1.
    int32_t ExactEntry(uint32_t rgb) const;
    uint32_t NearestOfLinear(const Linear& color, int32_t hint) const;
    // The same for a color with the error carried to it.
    uint32_t NearestOfCarried(const Linear& color, int32_t hint) const;
    struct Seen {
        uint32_t key;   // rgb + 1; 0 free
        int32_t entry;  // its nearest entry; -1 not yet looked for
        OklabColor lab;
    };
    // The cache slot of a color, its OKLab filled in.
    Seen& Look(uint32_t rgb);
    uint32_t NearestOfColor(uint32_t rgb);
    void Measure(uint32_t rgb, uint32_t entry);
    void MapDiffused(const uint8_t* rgba, uint8_t* indices);
    void MapOrdered(const uint8_t* rgba, uint8_t* indices);

    MapSettings settings;
    uint32_t width;
    uint32_t row;
    int32_t transparent;
    NearestEntry nearest;
    NearestEntry rootNearest;            // of the entries' square roots of linear light
    std::vector<OklabColor> labs;        // of each entry
    std::vector<Linear> linears;         // of each entry
    float linearOf[256];                 // each 8-bit value in linear light
    std::vector<uint32_t> exactKeys;     // open addressing: rgb + 1, 0 free
    std::vector<uint8_t> exactEntries;
    std::vector<Seen> seen;              // recent colors, direct-mapped
    std::vector<Linear> errorRows;       // this row's and the next row's, 2 pixels wider
    std::vector<float> pattern;          // the ordered pattern's offsets
    uint32_t patternSize;
    float spread;
    MapError error;
};

#endif
