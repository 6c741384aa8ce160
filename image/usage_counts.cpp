#include "image/usage_counts.h"

#include <cstring>

#include "image/dib_image.h"

namespace {

// Bytes counted between folds: no 32-bit counter can reach this.
const size_t kFoldAfter = size_t(1) << 30;

}  // namespace

void AddPixelsOfBytes(const std::vector<uint64_t>& bytes, uint32_t bitCount, uint32_t pixelsPerByte,
                      std::vector<uint64_t>* counts)
{
    const uint32_t mask = (1u << bitCount) - 1;
    for (uint32_t value = 0; value < 256; ++value) {
        if (bytes[value] == 0) continue;
        for (uint32_t k = 0; k < pixelsPerByte; ++k) (*counts)[value >> (8 - bitCount * (k + 1)) & mask] += bytes[value];
    }
}

ByteHistogram::ByteHistogram() : pending(0)
{
    std::memset(tables, 0, sizeof tables);
    std::memset(totals, 0, sizeof totals);
}

void ByteHistogram::Fold()
{
    for (int t = 0; t < kTables; ++t)
        for (int value = 0; value < 256; ++value) totals[value] += tables[t][value];
    std::memset(tables, 0, sizeof tables);
    pending = 0;
}

void ByteHistogram::Add(const unsigned char* bytes, size_t count)
{
    while (count > 0) {
        if (pending >= kFoldAfter) Fold();
        const size_t piece = count < kFoldAfter - pending ? count : kFoldAfter - pending;
        const unsigned char* p = bytes;
        const unsigned char* end = bytes + piece;
        // Eight bytes a step, each into a table of its own. Byte loads beat
        // shifting them out of a wider load here.
        for (; end - p >= 8; p += 8) {
            ++tables[0][p[0]];
            ++tables[1][p[1]];
            ++tables[2][p[2]];
            ++tables[3][p[3]];
            ++tables[4][p[4]];
            ++tables[5][p[5]];
            ++tables[6][p[6]];
            ++tables[7][p[7]];
        }
        for (; p < end; ++p) ++tables[0][*p];
        pending += piece;
        bytes += piece;
        count -= piece;
    }
}

std::vector<uint64_t> ByteHistogram::Totals()
{
    Fold();
    return std::vector<uint64_t>(totals, totals + 256);
}

bool CountEntryUsage(const DibImage& image, std::vector<uint64_t>* counts)
{
    counts->clear();
    BITMAPINFOHEADER info;
    if (image.IsEmpty() || !image.CopyHeaders(nullptr, &info)) return false;
    const uint32_t bitCount = info.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return false;
    const uint64_t rowBits = uint64_t(uint32_t(info.biWidth)) * bitCount;
    const size_t wholeBytes = size_t(rowBits / 8);
    const uint32_t tailPixels = uint32_t(rowBits % 8) / bitCount;
    const uint32_t stride = image.Stride();
    const uint32_t rows = stride ? image.ImageSize() / stride : 0;
    const unsigned char* bits = image.Bits();

    ByteHistogram whole;
    // The last byte of a row holds pixels and padding: those bytes are
    // counted apart, and only their pixels are split out.
    uint64_t tails[256] = {};
    if (wholeBytes == stride) {
        whole.Add(bits, size_t(stride) * rows);
    } else {
        for (uint32_t y = 0; y < rows; ++y) {
            const unsigned char* row = bits + size_t(y) * stride;
            whole.Add(row, wholeBytes);
            ++tails[row[wholeBytes]];
        }
    }

    counts->assign(size_t(1) << bitCount, 0);
    AddPixelsOfBytes(whole.Totals(), bitCount, 8 / bitCount, counts);
    if (tailPixels > 0) AddPixelsOfBytes(std::vector<uint64_t>(tails, tails + 256), bitCount, tailPixels, counts);
    return true;
}
