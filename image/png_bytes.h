// What the PNG units share: big-endian numbers, chunk writing and the Paeth
// predictor of the row filters.
#ifndef KORIN_IMAGE_PNG_BYTES_H
#define KORIN_IMAGE_PNG_BYTES_H

#include <cstdint>
#include <cstdlib>

class SafeFileWriter;

inline uint32_t ReadBigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void PutBigEndian32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (24 - 8 * i));
}

// Length, type, data and the CRC of type and data.
void WritePngChunk(SafeFileWriter& out, const char* type, const uint8_t* data, uint32_t length);

inline uint8_t PaethPredictor(uint8_t left, uint8_t above, uint8_t aboveLeft)
{
    const int estimate = int(left) + above - aboveLeft;
    const int toLeft = std::abs(estimate - left);
    const int toAbove = std::abs(estimate - above);
    const int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft) return left;
    return toAbove <= toAboveLeft ? above : aboveLeft;
}

// Bytes in a packed row of width indices.
inline uint64_t PackedRowBytes(uint32_t width, uint32_t bitDepth)
{
    return (uint64_t(width) * bitDepth + 7) / 8;
}

#endif
