#ifndef KORIN_IMAGE_ROW_LAYOUT_H
#define KORIN_IMAGE_ROW_LAYOUT_H

#include <cstdint>

// The row rule of a standard DIB: each row padded to a multiple of 4 bytes.
struct RowLayout {
    uint32_t stride;     // bytes in one row
    uint32_t imageSize;  // stride × |height|
};

// Computes the layout without wrapping. False when the width is not positive,
// the height is 0, the bit count is negative, or a size does not fit in 32 bits.
bool ComputeRowLayout(int32_t width, int32_t height, int32_t bitCount, RowLayout* layout);

#endif
