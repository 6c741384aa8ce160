#include "image/gif_lzw_encoder.h"

#include <cstring>

GifLzwEncoder::GifLzwEncoder(uint8_t minimumCodeSize, const Output& output)
    : output(output), minimumCodeSize(minimumCodeSize), clearCode(1u << minimumCodeSize), nextCode(0), codeSize(0),
      prefix(-1), bitBuffer(0), bitCount(0)
{
    block[0] = 0;
    Clear();
}

void GifLzwEncoder::Clear()
{
    std::memset(keys, 0, sizeof keys);
    nextCode = clearCode + 2;
    codeSize = minimumCodeSize + 1;
}

void GifLzwEncoder::Put(uint32_t code)
{
    bitBuffer |= code << bitCount;
    bitCount += codeSize;
    while (bitCount >= 8) {
        block[++block[0]] = uint8_t(bitBuffer);
        bitBuffer >>= 8;
        bitCount -= 8;
        if (block[0] == 255) FlushBlock();
    }
}

void GifLzwEncoder::FlushBlock()
{
    if (block[0]) output(block, size_t(block[0]) + 1);
    block[0] = 0;
}

void GifLzwEncoder::Add(const uint8_t* indices, size_t count)
{
    size_t i = 0;
    if (prefix < 0 && count > 0) {
        Put(clearCode);
        prefix = indices[i++];
    }
    for (; i < count; ++i) {
        const uint8_t index = indices[i];
        const uint32_t key = (uint32_t(prefix) << 8 | index) + 1;
        uint32_t slot = (key * 2654435761u) >> 19;  // the top 13 bits
        while (keys[slot] && keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
        if (keys[slot] == key) {
            prefix = codes[slot];
            continue;
        }
        Put(uint32_t(prefix));
        keys[slot] = key;
        codes[slot] = uint16_t(nextCode++);
        // The decoder adds each code one step later: it widens its codes
        // once it has used up this width, a code after the encoder.
        if (nextCode > (1u << codeSize) && codeSize < 12) ++codeSize;
        if (nextCode == kMaxCodes) {
            Put(clearCode);
            Clear();
        }
        prefix = index;
    }
}

void GifLzwEncoder::Finish()
{
    if (prefix < 0) Put(clearCode);
    else Put(uint32_t(prefix));
    Put(clearCode + 1);
    if (bitCount > 0) block[++block[0]] = uint8_t(bitBuffer);
    FlushBlock();
    const uint8_t terminator = 0;
    output(&terminator, 1);
}
