// BMP files as other tools write them (V2 to V5 info headers, OS/2 12-byte
// headers, RLE8 and RLE4 pixel data) brought into the one form the editor
// opens: a 40-byte info header, an RGBQUAD table and uncompressed rows,
// bottom-up, with the same pixel indices and the same table.
#ifndef KORIN_IMAGE_BMP_NORMALIZE_H
#define KORIN_IMAGE_BMP_NORMALIZE_H

#include <cstdint>
#include <string>

// What a BMP file's headers say about it.
struct BmpVariant {
    uint32_t headerSize;   // 12 for OS/2, else 40, 52, 56, 108 or 124
    int32_t width;
    int32_t height;        // negative for top-down rows
    uint16_t bitCount;
    uint32_t compression;  // BI_RGB 0, RLE8 1, RLE4 2, ...
    uint32_t entries;      // color-table entries
};

// Reads the headers of a BMP file (a prefix of its bytes will do). False,
// with a reason, when the bytes do not even begin like a BMP file.
bool ReadBmpVariant(const std::string& bytes, BmpVariant* variant, std::string* reason);
// "a 124-byte (V5) header, 8 bits per pixel, RLE8-compressed".
std::string DescribeBmpVariant(const BmpVariant& variant);
// True for the form the editor itself opens: 40-byte header, no compression.
bool IsEditorForm(const BmpVariant& variant);
// False, with a reason, for a variant that cannot be converted (bit fields,
// JPEG or PNG inside, odd bit counts, unknown headers).
bool CanNormalize(const BmpVariant& variant, std::string* reason);

// Decoded run-length pictures are refused beyond this many pixel bytes: a
// tiny file can declare any size.
const uint64_t kMaxNormalizedPixelBytes = uint64_t(1) << 30;

// Enough of a file's start for ReadBmpVariant: the file header and the
// longest info header.
const size_t kBmpHeadersBytes = 14 + 124;

// The most bytes of a file NormalizeBmp can use, from its first
// kBmpHeadersBytes (or all of a shorter file): the pixel rows' end, or for
// run-length data the longest a picture of its size can need. False, with a
// reason, for a file it would refuse from its headers alone.
bool NormalizeInputLimit(const std::string& headers, uint64_t* limit, std::string* reason,
                         uint64_t maxPixelBytes = kMaxNormalizedPixelBytes);

// Converts a whole BMP file into the editor's form. False, with a reason,
// for anything that cannot be converted exactly.
bool NormalizeBmp(const std::string& bytes, std::string* normalized, std::string* reason,
                  uint64_t maxPixelBytes = kMaxNormalizedPixelBytes);

#endif
