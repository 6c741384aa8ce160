#include "image/row_layout.h"

bool ComputeRowLayout(int32_t width, int32_t height, int32_t bitCount, RowLayout* layout)
{
    if (width <= 0 || height == 0 || bitCount < 0) return false;
    uint64_t stride = (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
    if (stride > 0xFFFFFFFFu) return false;
    uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    uint64_t imageSize = stride * rows;  // both factors below 2^32: no wrap
    if (imageSize > 0xFFFFFFFFu) return false;
    layout->stride = uint32_t(stride);
    layout->imageSize = uint32_t(imageSize);
    return true;
}
