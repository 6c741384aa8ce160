// Where the parts of a BMP file lie, as the loader reads it: the two headers
// at the start, the color table after them, the pixel rows where they begin.
#ifndef KORIN_IMAGE_BMP_LAYOUT_H
#define KORIN_IMAGE_BMP_LAYOUT_H

#include <cstdint>

#include "platform/platform.h"

const uint32_t kBmpHeadersBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

struct BmpLayout {
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    uint32_t entryCount;  // RGBQUADs from offset kBmpHeadersBytes on
    uint32_t stride;
    uint32_t imageSize;
    uint64_t pixelStart;  // file offset of the first pixel row
};

// Checks the first kBmpHeadersBytes bytes of a file of fileLength bytes as the
// loader does before it allocates anything: the "BM" type, a 40-byte info
// header, no compression, sizes that can be represented, and a color table
// and pixel rows that lie within the file.
bool ReadBmpLayout(const unsigned char* headers, uint64_t fileLength, BmpLayout* layout);

#endif
