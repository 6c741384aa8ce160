// Pixel indices sent through an entry map (old index -> new index), the one
// pass every format makes when its table is rearranged. A packed byte is
// mapped whole through a 256-entry table, so a 4-bit byte moves two pixels at
// once and a 1-bit byte eight.
#ifndef KORIN_IMAGE_REMAP_H
#define KORIN_IMAGE_REMAP_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DibImage;

// An entry no pixel uses, dropped from the new table.
const uint32_t kDroppedEntry = 0xFFFFFFFFu;

class IndexRemap {
public:
    IndexRemap();

    // map[i] is the new index of old index i; indices at or past map.size()
    // keep their value, and a dropped entry's pixels (there are none) become
    // 0. False, with a reason, for a bit count other than 1, 2, 4 and 8 or a
    // new index that does not fit in it.
    bool Build(const std::vector<uint32_t>& map, uint32_t bitCount, std::string* reason);

    uint32_t BitCount() const { return bitCount; }
    uint8_t Index(uint8_t index) const { return indexTable[index]; }
    // A byte of packed pixels, all of them mapped.
    uint8_t PackedByte(uint8_t byte) const { return byteTable[byte]; }
    // One index per byte, in place.
    void RemapIndices(uint8_t* indices, size_t count) const;
    // A packed row of width pixels, highest bits first, in place; the bits
    // after the last pixel stay as they are.
    void RemapPackedRow(uint8_t* row, uint32_t width) const;
    // count bytes of such a row from its byte firstByte on, for rows taken
    // a piece at a time; bytes past the pixels (padding) stay as they are.
    void RemapRowBytes(uint8_t* bytes, size_t count, uint64_t firstByte, uint32_t width) const;

private:
    uint32_t bitCount;
    uint8_t indexTable[256];
    uint8_t byteTable[256];
};

// An IndexRemap's packed bytes mapped two at a time, one table read for
// both: for pictures too large to hold. Its table is 128 KiB, so it is made
// only where the rows are long.
class PairRemap {
public:
    PairRemap() : remap(nullptr) {}

    // False when the memory for the table is not free.
    bool Build(const IndexRemap& remap);
    // As remap.RemapRowBytes, which must outlive this.
    void RemapRowBytes(uint8_t* bytes, size_t count, uint64_t firstByte, uint32_t width) const;

private:
    const IndexRemap* remap;
    std::unique_ptr<uint16_t[]> pairTable;
};

// The same for a bitmap held in memory (the editor's picture): every row's
// pixels through remap, padding untouched. False for a bitmap whose bit
// count is not remap's.
bool RemapBitmapPixels(DibImage& image, const IndexRemap& remap);

#endif
