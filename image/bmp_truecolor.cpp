#include "image/bmp_truecolor.h"

#include <algorithm>
#include <cstdint>

namespace {

const uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
const size_t kHeadersBytes = 14 + 124;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

uint32_t U32(const uint8_t* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint32_t U16(const uint8_t* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8;
}

bool KnownHeader(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The lowest set bit's place and the field's width; false for a field
// with a gap in it.
bool FieldOf(uint32_t mask, uint32_t* shift, uint32_t* width)
{
    *shift = 0;
    *width = 0;
    if (!mask) return true;
    while (!(mask >> *shift & 1)) ++*shift;
    const uint64_t field = uint64_t(mask) >> *shift;
    while (field >> *width & 1) ++*width;
    return (field >> *width) == 0;
}

// Field i's value scaled to 0..255, rounded.
uint8_t Channel(const TruecolorBmp& bmp, uint32_t pixel, int i)
{
    const uint64_t largest = (uint64_t(1) << bmp.widths[i]) - 1;
    const uint64_t value = (uint64_t(pixel) & bmp.masks[i]) >> bmp.shifts[i];
    return uint8_t((value * 255 + largest / 2) / largest);
}

}  // namespace

bool IsTruecolorBmp(const ByteSource& source)
{
    uint8_t headers[30];
    if (!source.ReadAt(0, headers, sizeof headers) || headers[0] != 'B' || headers[1] != 'M') return false;
    const uint32_t bits = U16(headers + 28);
    return KnownHeader(U32(headers + 14)) && (bits == 16 || bits == 24 || bits == 32);
}

bool ReadTruecolorBmp(const ByteSource& source, TruecolorBmp* bmp, std::string* reason)
{
    uint8_t headers[kHeadersBytes + 16] = {};
    const uint64_t size = source.Size();
    const size_t have = size_t(std::min<uint64_t>(size, sizeof headers));
    if (have < 54 || !source.ReadAt(0, headers, have) || headers[0] != 'B' || headers[1] != 'M')
        return Refuse(reason, "is not a BMP file");
    const uint8_t* info = headers + 14;
    const uint32_t headerSize = U32(info);
    if (!KnownHeader(headerSize) || 14 + uint64_t(headerSize) > size)
        return Refuse(reason, "has an info header of " + std::to_string(headerSize) + " bytes, which is not read");
    const int32_t width = int32_t(U32(info + 4)), height = int32_t(U32(info + 8));
    bmp->bitCount = U16(info + 14);
    const uint32_t compression = U32(info + 16);
    if (U16(info + 12) != 1 || width <= 0 || height == 0 || height == INT32_MIN)
        return Refuse(reason, "has a size of " + std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels, which no picture has");
    if (bmp->bitCount != 16 && bmp->bitCount != 24 && bmp->bitCount != 32)
        return Refuse(reason, "is a " + std::to_string(bmp->bitCount) + "-bit BMP, not 16, 24 or 32 bits");
    bmp->width = uint32_t(width);
    bmp->topDown = height < 0;
    bmp->height = bmp->topDown ? uint32_t(-int64_t(height)) : uint32_t(height);
    bmp->pixelStart = U32(headers + 10);
    const uint64_t stride = (uint64_t(bmp->width) * bmp->bitCount + 31) / 32 * 4;
    if (stride > 0xFFFFFFFFu || bmp->pixelStart + stride * bmp->height > size)
        return Refuse(reason, "holds fewer pixel rows than its headers say (the file is cut short)");
    bmp->stride = uint32_t(stride);

    uint32_t* masks = bmp->masks;
    if (compression == kRgb) {
        // The fourth byte of a plain 32-bit pixel is unused, as the format says.
        if (bmp->bitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
        }
    } else if ((compression == kBitFields || compression == kAlphaBitFields) && bmp->bitCount != 24) {
        // The fields follow a 40-byte header, or lie within a longer one.
        const uint32_t fields = headerSize > 40 ? (headerSize >= 56 ? 4 : 3) : (compression == kAlphaBitFields ? 4 : 3);
        if (14 + 40 + 4 * uint64_t(fields) > std::min<uint64_t>(size, sizeof headers))
            return Refuse(reason, "is cut short in its bit fields");
        for (uint32_t i = 0; i < 4; ++i) masks[i] = i < fields ? U32(info + 40 + 4 * i) : 0;
        for (uint32_t i = 0; i < 4; ++i) {
            if (bmp->bitCount == 16 && masks[i] > 0xFFFF)
                return Refuse(reason, "has a bit field beyond its 16-bit pixel");
            for (uint32_t j = 0; j < i; ++j)
                if (masks[i] & masks[j]) return Refuse(reason, "has bit fields that overlap");
        }
        if (!masks[0] && !masks[1] && !masks[2]) return Refuse(reason, "has no color in its bit fields");
    } else {
        return Refuse(reason, "is a compressed BMP (compression " + std::to_string(compression) +
                                  "), which is not read as a truecolor picture");
    }
    for (int i = 0; i < 4; ++i)
        if (!FieldOf(masks[i], &bmp->shifts[i], &bmp->widths[i]))
            return Refuse(reason, "has a bit field with a gap in it");
    bmp->plain = bmp->bitCount == 24 ||
                 (bmp->bitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF && !masks[3]);
    return true;
}

void TruecolorBmpRow(const TruecolorBmp& bmp, const uint8_t* stored, uint8_t* rgba)
{
    if (bmp.plain) {
        const uint32_t step = bmp.bitCount / 8;
        for (uint32_t x = 0; x < bmp.width; ++x, stored += step, rgba += 4) {
            rgba[0] = stored[2];
            rgba[1] = stored[1];
            rgba[2] = stored[0];
            rgba[3] = 255;
        }
        return;
    }
    for (uint32_t x = 0; x < bmp.width; ++x, rgba += 4) {
        const uint32_t pixel = bmp.bitCount == 16 ? U16(stored + 2 * size_t(x)) : U32(stored + 4 * size_t(x));
        for (int i = 0; i < 3; ++i) rgba[i] = bmp.masks[i] ? Channel(bmp, pixel, i) : 0;
        rgba[3] = bmp.masks[3] ? Channel(bmp, pixel, 3) : 255;
    }
}
