// Truecolor and greyscale PNG files (1 to 16 bits, with or without alpha),
// read for their pixels only: the chunk walk checks every length and CRC,
// the data is inflated no further than the header promises, and the rows
// come out one at a time as 8-bit red, green, blue and alpha.
#ifndef KORIN_IMAGE_PNG_TRUECOLOR_H
#define KORIN_IMAGE_PNG_TRUECOLOR_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/byte_source.h"

struct TruecolorPng {
    uint32_t width = 0, height = 0;
    uint8_t bitDepth = 0, colorType = 0, interlace = 0;
    bool hasKey = false;    // tRNS: one color shown transparent
    uint16_t key[3] = {0, 0, 0};
    std::vector<std::pair<uint64_t, uint32_t>> data;  // each IDAT's data offset and length

    // Whether any pixel can be less than opaque.
    bool HasAlpha() const { return colorType == 4 || colorType == 6 || hasKey; }
};

// True when the file is a PNG of color type 0, 2, 4 or 6 (an indexed PNG
// goes to the indexed reader); false with a one-line reason otherwise.
bool ReadTruecolorPng(const ByteSource& source, TruecolorPng* png, std::string* reason);

// The rows top to bottom, 4 bytes a pixel; 16-bit samples rounded to 8 bits.
// An interlaced picture is put together a band of rows at a time, at most
// bandBytes of them (or one row), its data inflated again for each band. A
// false return of row stops the walk with its reason.
typedef std::function<bool(uint32_t y, const uint8_t* rgba, std::string* reason)> RgbaRow;
const uint64_t kInterlacedBandBytes = uint64_t(16) << 20;
bool DecodeTruecolorPng(const ByteSource& source, const TruecolorPng& png, const RgbaRow& row, std::string* reason,
                        uint64_t bandBytes = kInterlacedBandBytes);

#endif
