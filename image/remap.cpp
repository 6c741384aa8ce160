#include "image/remap.h"

#include <cstring>
#include <new>

#include "image/dib_image.h"

IndexRemap::IndexRemap() : bitCount(8)
{
    for (uint32_t i = 0; i < 256; ++i) indexTable[i] = byteTable[i] = uint8_t(i);
}

bool IndexRemap::Build(const std::vector<uint32_t>& map, uint32_t bits, std::string* reason)
{
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
        *reason = "pixels of " + std::to_string(bits) + " bits have no color table";
        return false;
    }
    const uint32_t values = 1u << bits;
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t target = i < map.size() ? map[i] : i;
        if (target == kDroppedEntry) target = 0;
        if (i < values && target >= values) {
            *reason = "entry " + std::to_string(i) + " would move to " + std::to_string(target) + ", past what " +
                      std::to_string(bits) + "-bit pixels can index";
            return false;
        }
        indexTable[i] = uint8_t(i < values ? target : i);
    }
    bitCount = bits;
    const uint32_t mask = values - 1;
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t mapped = 0;
        for (uint32_t shift = 0; shift < 8; shift += bits) mapped |= uint32_t(indexTable[byte >> shift & mask]) << shift;
        byteTable[byte] = uint8_t(mapped);
    }
    return true;
}

void IndexRemap::RemapIndices(uint8_t* indices, size_t count) const
{
    for (size_t i = 0; i < count; ++i) indices[i] = indexTable[indices[i]];
}

void IndexRemap::RemapPackedRow(uint8_t* row, uint32_t width) const
{
    RemapRowBytes(row, size_t((uint64_t(width) * bitCount + 7) / 8), 0, width);
}

void IndexRemap::RemapRowBytes(uint8_t* bytes, size_t count, uint64_t firstByte, uint32_t width) const
{
    const uint64_t bits = uint64_t(width) * bitCount;
    const uint64_t whole = bits / 8;
    const uint64_t end = firstByte + count;
    const uint64_t wholeEnd = whole < end ? whole : end;
    for (uint64_t at = firstByte; at < wholeEnd; ++at) bytes[at - firstByte] = byteTable[bytes[at - firstByte]];
    const uint32_t tailBits = uint32_t(bits % 8);
    if (tailBits == 0 || whole < firstByte || whole >= end) return;
    // The last byte's high bits are pixels; its low bits are padding and stay.
    uint8_t& last = bytes[whole - firstByte];
    const uint8_t pixels = uint8_t(0xFFu << (8 - tailBits));
    last = uint8_t((byteTable[last] & pixels) | (last & ~pixels));
}

bool PairRemap::Build(const IndexRemap& byteRemap)
{
    remap = &byteRemap;
    pairTable.reset(new (std::nothrow) uint16_t[65536]);
    if (!pairTable) return false;
    // Two bytes as memory holds them, so the table serves either byte order.
    for (uint32_t pair = 0; pair < 65536; ++pair) {
        uint8_t bytes[2];
        const uint16_t value = uint16_t(pair);
        std::memcpy(bytes, &value, 2);
        bytes[0] = byteRemap.PackedByte(bytes[0]);
        bytes[1] = byteRemap.PackedByte(bytes[1]);
        std::memcpy(&pairTable[pair], bytes, 2);
    }
    return true;
}

void PairRemap::RemapRowBytes(uint8_t* bytes, size_t count, uint64_t firstByte, uint32_t width) const
{
    const uint64_t whole = uint64_t(width) * remap->BitCount() / 8;
    const uint64_t end = firstByte + count;
    const size_t pairs = firstByte < whole ? size_t(((whole < end ? whole : end) - firstByte) / 2) : 0;
    for (size_t i = 0; i < pairs; ++i) {
        uint16_t pair;
        std::memcpy(&pair, bytes + 2 * i, 2);
        pair = pairTable[pair];
        std::memcpy(bytes + 2 * i, &pair, 2);
    }
    // An odd byte left, the last pixels' byte and the padding.
    remap->RemapRowBytes(bytes + 2 * pairs, count - 2 * pairs, firstByte + 2 * pairs, width);
}

bool RemapBitmapPixels(DibImage& image, const IndexRemap& remap)
{
    BITMAPINFOHEADER info;
    if (image.IsEmpty() || !image.CopyHeaders(nullptr, &info) || uint32_t(info.biBitCount) != remap.BitCount())
        return false;
    const uint32_t stride = image.Stride();
    const uint32_t rows = stride ? image.ImageSize() / stride : 0;
    for (uint32_t y = 0; y < rows; ++y) remap.RemapPackedRow(image.Bits() + size_t(y) * stride, uint32_t(info.biWidth));
    return true;
}
