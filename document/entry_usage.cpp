// How many pixels of the open picture use each entry of its table.
#include "document/bitmap_document.h"

namespace {

// counts gets 2^bitCount totals, one for each index a pixel may hold; false,
// counts emptied, for an empty picture and for 16, 24 and 32 bits. One pixel
// at a time, row by row, so the padding at a row's end is never read; kept
// whole in this one function so that a faster counter of the same shape can
// take its place.
bool CountPixelsByRows(const DibImage& image, std::vector<uint64_t>* counts)
{
    counts->clear();
    BITMAPINFOHEADER header;
    if (image.IsEmpty() || !image.CopyHeaders(nullptr, &header)) return false;
    const uint32_t bitCount = header.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return false;
    const uint32_t width = uint32_t(header.biWidth);
    const uint32_t rows = uint32_t(header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight);
    const uint32_t mask = (1u << bitCount) - 1;
    counts->assign(size_t(1) << bitCount, 0);
    const unsigned char* row = image.Bits();
    // Up or down, every row counts the same.
    for (uint32_t y = 0; y < rows; ++y, row += image.Stride()) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t bit = x * bitCount;
            const uint32_t index = (row[bit / 8] >> (8 - bitCount - bit % 8)) & mask;
            ++(*counts)[index];
        }
    }
    return true;
}

}  // namespace

const std::vector<uint64_t>& BitmapDocument::EntryUsage() const
{
    return entryUsage;
}

void BitmapDocument::CountEntryUsage()
{
    CountPixelsByRows(*this, &entryUsage);
    // One count an entry: indices past the table's end use none, and the
    // table of a picture without indices is used by no pixel.
    entryUsage.resize(IsEmpty() ? 0 : EntryCount());
}
