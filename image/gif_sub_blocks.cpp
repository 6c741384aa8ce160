#include "image/gif_sub_blocks.h"

namespace {

const size_t kWindowBytes = 65536;

}  // namespace

GifSubBlocks::GifSubBlocks(const ByteSource& source, uint64_t offset)
    : source(source), offset(offset), windowStart(0), windowLength(0), window(kWindowBytes)
{
}

bool GifSubBlocks::Hold(uint64_t at, size_t count)
{
    if (at >= windowStart && at - windowStart <= windowLength && count <= windowLength - (at - windowStart))
        return true;
    const uint64_t size = source.Size();
    if (at > size || count > size - at) return false;
    const size_t want = size - at < kWindowBytes ? size_t(size - at) : kWindowBytes;
    windowLength = 0;
    if (!source.ReadAt(at, window.data(), want)) return false;
    windowStart = at;
    windowLength = want;
    return true;
}

GifSubBlocks::Step GifSubBlocks::Next(const uint8_t** data, size_t* count)
{
    if (!Hold(offset, 1)) return Step::Truncated;
    const size_t length = window[size_t(offset - windowStart)];
    if (length == 0) {
        ++offset;
        return Step::End;
    }
    if (!Hold(offset, 1 + length)) return Step::Truncated;
    *data = window.data() + size_t(offset + 1 - windowStart);
    *count = length;
    offset += 1 + length;
    return Step::Block;
}
