#include "tests/support/bmp_bytes.h"

#include <cstring>

std::string BmpBytes::Serialize() const
{
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    return bytes + infoExtra + table + gap + pixels;
}

void BmpBytes::FixOffsets()
{
    file.bfOffBits = DWORD(sizeof file + sizeof info + infoExtra.size() + table.size() + gap.size());
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
}

BmpBytes MakeBmp(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed)
{
    BmpBytes bmp;
    std::memset(&bmp.file, 0, sizeof bmp.file);
    std::memset(&bmp.info, 0, sizeof bmp.info);
    bmp.file.bfType = 0x4D42;
    bmp.info.biSize = 40;
    bmp.info.biWidth = width;
    bmp.info.biHeight = height;
    bmp.info.biPlanes = 1;
    bmp.info.biBitCount = bitCount;
    bmp.info.biClrUsed = clrUsed;

    uint32_t entries = clrUsed ? clrUsed : (bitCount < 16 ? 1u << bitCount : 0);
    for (uint32_t i = 0; i < entries; ++i) {
        bmp.table += char(i * 3 + 1);    // blue
        bmp.table += char(i * 5 + 2);    // green
        bmp.table += char(i * 7 + 3);    // red
        bmp.table += char(0);
    }
    uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    bmp.pixels.resize(size_t(stride * rows));
    for (size_t i = 0; i < bmp.pixels.size(); ++i) bmp.pixels[i] = char((i * 31 + 7) & 0xFF);
    bmp.info.biSizeImage = DWORD(bmp.pixels.size());
    bmp.FixOffsets();
    return bmp;
}
