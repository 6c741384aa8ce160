#include "image/dib_image.h"

#include <cstring>
#include <new>

#include "image/row_layout.h"
#include "palette/color_table.h"

namespace {

// 2 to the power bitCount, without overflow for the large bit counts.
uint64_t ColorsOfBitCount(uint32_t bitCount)
{
    return bitCount >= 63 ? UINT64_MAX : uint64_t(1) << bitCount;
}

}  // namespace

DibImage::DibImage()
    : fileHeader(nullptr), infoBlock(nullptr), section(nullptr), bits(nullptr),
      entryCount(0), imageSize(0), stride(0)
{
}

DibImage::~DibImage()
{
    Discard();
}

void DibImage::Discard()
{
    if (section) DeleteObject(section);
    delete fileHeader;
    delete[] infoBlock;
    fileHeader = nullptr;
    infoBlock = nullptr;
    section = nullptr;
    bits = nullptr;
    entryCount = 0;
    imageSize = 0;
    stride = 0;
}

BITMAPINFOHEADER* DibImage::InfoHeader() const
{
    return reinterpret_cast<BITMAPINFOHEADER*>(infoBlock);
}

RGBQUAD* DibImage::Colors() const
{
    return reinterpret_cast<RGBQUAD*>(infoBlock + sizeof(BITMAPINFOHEADER));
}

bool DibImage::AllocateInfoBlock(uint32_t entries)
{
    uint64_t bytes = sizeof(BITMAPINFOHEADER) + uint64_t(entries) * sizeof(RGBQUAD);
    if (bytes > SIZE_MAX) return false;
    unsigned char* block = new (std::nothrow) unsigned char[size_t(bytes)]();
    if (!block) return false;
    delete[] infoBlock;
    infoBlock = block;
    return true;
}

bool DibImage::CopyHeaders(BITMAPFILEHEADER* fileHeaderOut, BITMAPINFOHEADER* infoHeaderOut) const
{
    if ((fileHeaderOut && !fileHeader) || (infoHeaderOut && !infoBlock)) return false;
    if (fileHeaderOut) std::memcpy(fileHeaderOut, fileHeader, sizeof(BITMAPFILEHEADER));
    if (infoHeaderOut) std::memcpy(infoHeaderOut, infoBlock, sizeof(BITMAPINFOHEADER));
    return true;
}

bool DibImage::GetDimensions(LONG dimensions[2]) const
{
    if (!infoBlock) return false;
    dimensions[0] = InfoHeader()->biWidth;
    dimensions[1] = InfoHeader()->biHeight;
    return true;
}

bool DibImage::CopyColorTable(ColorTable& table) const
{
    if (!infoBlock || entryCount == 0) return false;
    return ReadColors(Colors(), entryCount, table);
}

bool DibImage::SetColorTable(const ColorTable& table)
{
    if (!infoBlock) return false;
    const uint32_t n = EntriesAfterSetting(entryCount, InfoHeader()->biBitCount, table.GetCount());
    if (n == 0) return false;
    if (n > entryCount && !SetEntryCount(n)) return false;
    WriteColors(table, Colors(), entryCount);
    return true;
}

bool DibImage::SetEntryCount(uint32_t n)
{
    unsigned char* old = infoBlock;
    infoBlock = nullptr;
    if (!AllocateInfoBlock(n)) {
        infoBlock = old;
        return false;
    }
    std::memcpy(infoBlock, old, sizeof(BITMAPINFOHEADER));
    delete[] old;
    InfoHeader()->biClrUsed = n;
    entryCount = n;
    return true;
}

bool DibImage::ResizeColorTable(const ColorTable& table)
{
    const uint32_t n = table.GetCount();
    if (!infoBlock || entryCount == 0 || n == 0 || n > ColorsOfBitCount(InfoHeader()->biBitCount)) return false;
    if (n != entryCount && !SetEntryCount(n)) return false;
    WriteColors(table, Colors(), entryCount);
    return true;
}

uint32_t DibImage::EntriesAfterSetting(uint32_t held, uint32_t bitCount, uint32_t tableCount)
{
    if (held == 0 || tableCount == 0 || tableCount > ColorsOfBitCount(bitCount)) return 0;
    return tableCount > held ? tableCount : held;
}

void DibImage::WriteColors(const ColorTable& table, RGBQUAD* colors, uint32_t count)
{
    const uint32_t given = table.GetCount() < count ? table.GetCount() : count;
    for (uint32_t i = 0; i < count; ++i) {
        const ColorEntry black = {0, 0, 0, 0};
        const ColorEntry* entry = i < given ? table.GetEntry(i) : &black;
        colors[i].rgbBlue = entry->blue;
        colors[i].rgbGreen = entry->green;
        colors[i].rgbRed = entry->red;
        colors[i].rgbReserved = 0;
    }
}

bool DibImage::ReadColors(const RGBQUAD* colors, uint32_t count, ColorTable& table)
{
    if (!table.Reset(count)) return false;
    for (uint32_t i = 0; i < count; ++i)
        table.SetColor(i, colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue);
    return true;
}

bool DibImage::CreateBlank(HDC dc, const NewImageSpec* spec)
{
    return Create(dc, spec, nullptr);
}

bool DibImage::CreateIndexed(HDC dc, const NewImageSpec& spec, const ColorTable& table)
{
    return spec.bitCount != 24 && Create(dc, &spec, &table);
}

bool DibImage::Create(HDC dc, const NewImageSpec* spec, const ColorTable* table)
{
    if (!spec) return false;
    Discard();
    const int32_t bitCount = spec->bitCount;
    const int32_t n = spec->entryCount;
    if (n < 0) return false;
    if (bitCount != 24 && n == 0) return false;
    if (spec->width <= 0 || spec->height <= 0) return false;
    if (bitCount == 1 || bitCount == 4 || bitCount == 8) {
        if (n > (1 << bitCount)) return false;
    } else if (bitCount == 24) {
        if (n != 0) return false;
    } else {
        return false;
    }

    RowLayout layout;
    if (!ComputeRowLayout(spec->width, spec->height, bitCount, &layout)) return false;
    if (!AllocateInfoBlock(uint32_t(n))) return false;
    entryCount = uint32_t(n);
    stride = layout.stride;
    imageSize = layout.imageSize;

    BITMAPINFOHEADER* header = InfoHeader();
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = spec->width;
    header->biHeight = spec->height;
    header->biPlanes = 1;
    header->biBitCount = WORD(bitCount);
    header->biCompression = BI_RGB;
    header->biSizeImage = imageSize;
    header->biClrUsed = entryCount;
    if (table) WriteColors(*table, Colors(), entryCount);

    if (!RebuildSection(dc)) {
        Discard();
        return false;
    }
    std::memset(bits, 0, imageSize);
    return true;
}

bool DibImage::RebuildSection(HDC dc)
{
    if (!infoBlock) return false;
    void* newBits = nullptr;
    HBITMAP newSection = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(infoBlock),
                                          DIB_RGB_COLORS, &newBits, nullptr, 0);
    if (!newSection) return false;
    if (!newBits) {
        DeleteObject(newSection);
        return false;
    }
    if (section) {
        std::memcpy(newBits, bits, imageSize);
        DeleteObject(section);
    }
    section = newSection;
    bits = static_cast<unsigned char*>(newBits);
    return true;
}
