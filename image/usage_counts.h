// How many pixels use each color-table entry: the figures the palette shows
// beside each entry, for a bitmap in memory and for the decoded rows of a PNG
// or GIF file alike. One pass over the pixel bytes at memory speed.
#ifndef KORIN_IMAGE_USAGE_COUNTS_H
#define KORIN_IMAGE_USAGE_COUNTS_H

#include <cstddef>
#include <cstdint>
#include <vector>

class DibImage;

// counts gets 2^bitCount entries (2, 16 or 256), entry i the number of
// pixels of index i. Row padding is never counted. False, counts emptied,
// for an empty image and for 16, 24 and 32 bits.
bool CountEntryUsage(const DibImage& image, std::vector<uint64_t>* counts);

// Adds to counts, for each byte value seen bytes[value] times, its first
// pixelsPerByte pixels of bitCount bits each, highest bits first: a byte
// histogram of packed rows made into entry counts.
void AddPixelsOfBytes(const std::vector<uint64_t>& bytes, uint32_t bitCount, uint32_t pixelsPerByte,
                      std::vector<uint64_t>* counts);

// How often each byte value occurs. Interleaved tables of 32-bit counters:
// runs of one value would otherwise make each increment wait for the store of
// the one before; the counters are folded into 64-bit totals before any can wrap.
class ByteHistogram {
public:
    ByteHistogram();
    void Add(const unsigned char* bytes, size_t count);
    // 256 totals, one for each byte value.
    std::vector<uint64_t> Totals();

private:
    static const int kTables = 8;
    void Fold();

    uint32_t tables[kTables][256];
    uint64_t totals[256];
    size_t pending;  // bytes counted into tables since the last fold
};

// The same for rows of one index per pixel, as IndexedFile::DecodeRows hands
// them: 256 counts, one for each value an index may have.
class RowUsageCounter {
public:
    void AddRow(const uint8_t* indices, uint32_t width) { histogram.Add(indices, width); }
    std::vector<uint64_t> Counts() { return histogram.Totals(); }

private:
    ByteHistogram histogram;
};

#endif
