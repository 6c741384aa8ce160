// How many pixels of the open picture use each entry of its color table.
#include "document/bitmap_document.h"

#include "app/globals.h"
#include "palette/palette_window.h"

void BitmapDocument::CountEntryUsage()
{
    entryUsage.clear();
    BITMAPINFOHEADER info;
    const unsigned char* pixels = Bits();
    if (!pixels || !CopyHeaders(nullptr, &info) || EntryCount() == 0) {
        paletteWindow.UsageChanged();
        return;
    }
    const uint32_t bits = info.biBitCount;
    if (bits == 1 || bits == 4 || bits == 8) {
        entryUsage.assign(EntryCount(), 0);
        const uint32_t width = uint32_t(info.biWidth);
        // Top-down or bottom-up, every row counts the same.
        const uint32_t height = uint32_t(info.biHeight < 0 ? -int64_t(info.biHeight) : info.biHeight);
        const uint32_t perByte = 8 / bits;
        const unsigned mask = (1u << bits) - 1;
        for (uint32_t y = 0; y < height; ++y) {
            const unsigned char* row = pixels + size_t(y) * Stride();
            for (uint32_t x = 0; x < width; ++x) {
                // The leftmost pixel sits in the highest bits of its byte.
                unsigned shift = (perByte - 1 - x % perByte) * bits;
                unsigned index = (row[x / perByte] >> shift) & mask;
                if (index < entryUsage.size()) ++entryUsage[index];
            }
        }
    }
    paletteWindow.UsageChanged();
}

const std::vector<uint64_t>& BitmapDocument::EntryUsage() const
{
    return entryUsage;
}
