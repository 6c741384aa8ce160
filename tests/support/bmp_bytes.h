// BMP files built byte by byte, so that tests can make every shape a reader
// may meet, including the broken ones.
#ifndef KORIN_TESTS_BMP_BYTES_H
#define KORIN_TESTS_BMP_BYTES_H

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct BmpBytes {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::string infoExtra;  // bytes after the 40-byte header (V4/V5 headers)
    std::string table;      // RGBQUAD bytes
    std::string gap;        // bytes between table and pixels
    std::string pixels;

    // The file as it would be on disk; bfSize and bfOffBits as set.
    std::string Serialize() const;
    // Sets bfSize and bfOffBits to match the parts.
    void FixOffsets();
};

// A well-formed file: entries by the default rule (or clrUsed), table and
// pixels filled with a pattern that differs from byte to byte.
BmpBytes MakeBmp(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed = 0);

#endif
