// BMP files in the variants other tools write (OS/2 and V2 to V5 headers,
// top-down rows, run-length data), made byte by byte from a picture given as
// rows of pixel values; and the editor's form read back into such rows.
#ifndef KORIN_TESTS_BMP_VARIANTS_H
#define KORIN_TESTS_BMP_VARIANTS_H

#include <cstdint>
#include <string>
#include <vector>

// Pixel values, top row first: palette indices up to 8 bits, else the
// pixel's bytes as a little-endian number.
typedef std::vector<std::vector<uint32_t>> PixelRows;

struct VariantFile {
    uint32_t headerSize = 40;   // 12 writes the OS/2 header and RGBTRIPLE entries
    int32_t width = 0;
    int32_t height = 0;         // negative: top-down
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    std::string table;          // entries as stored: 3 bytes each for headerSize 12, else 4
    std::string pixels;         // the pixel data as stored
    std::string gap;            // bytes between table and pixels (bfOffBits follows)

    std::string Bytes() const;
};

// Rows padded to 4 bytes, bottom row first unless topDown.
std::string PackRows(const PixelRows& rows, uint16_t bitCount, bool topDown);
// n table entries of entrySize bytes (3 or 4) that differ from each other.
std::string MakeTable(uint32_t n, size_t entrySize);

// The picture of a file in the editor's form (40-byte header, no compression,
// bottom-up or top-down), with its table. False when the bytes are not one.
struct EditorFormFile {
    uint16_t bitCount;
    uint32_t clrUsed;
    std::string table;  // RGBQUAD bytes
    PixelRows rows;
};
bool ReadEditorForm(const std::string& bytes, EditorFormFile* file);

#endif
