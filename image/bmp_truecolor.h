// A truecolor BMP as other programs write it: 16, 24 or 32 bits, any of the
// info headers (40 bytes to V5's 124), plain or with bit fields that say
// where each channel lies (an alpha field among them). Read row by row; the
// rows stay in the file.
#ifndef KORIN_IMAGE_BMP_TRUECOLOR_H
#define KORIN_IMAGE_BMP_TRUECOLOR_H

#include <cstdint>
#include <string>

#include "image/byte_source.h"

struct TruecolorBmp {
    uint32_t width = 0, height = 0;
    bool topDown = false;
    uint32_t bitCount = 0;
    uint64_t pixelStart = 0;
    uint32_t stride = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (0: opaque)
    uint32_t shifts[4] = {0, 0, 0, 0}, widths[4] = {0, 0, 0, 0};  // of each field
    bool plain = false;                // 24 bits, or 32 with the usual byte order and no alpha
};

// Whether the file's headers say 16, 24 or 32 bits a pixel (false for an
// indexed BMP and for anything that is not a BMP).
bool IsTruecolorBmp(const ByteSource& source);
// The headers read and checked: false with a one-line reason.
bool ReadTruecolorBmp(const ByteSource& source, TruecolorBmp* bmp, std::string* reason);
// One stored row (bmp.stride bytes) as 4 bytes a pixel: red, green, blue, alpha.
void TruecolorBmpRow(const TruecolorBmp& bmp, const uint8_t* stored, uint8_t* rgba);

#endif
