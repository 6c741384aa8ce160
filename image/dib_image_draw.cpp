// Drawing the image into a device context (win32 build only).
#include "image/dib_image.h"

void DibImage::Draw(HDC target, int x, int y, DWORD rop) const
{
    if (!infoBlock || !section) return;
    const BITMAPINFOHEADER* header = InfoHeader();
    int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    DrawRegion(target, x, y, 0, 0, header->biWidth, height, rop);
}

void DibImage::DrawRegion(HDC target, int x, int y, int sourceX, int sourceY, int width,
                          int height, DWORD rop) const
{
    if (!section) return;
    HDC memory = CreateCompatibleDC(target);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(target, x, y, width, height, memory, sourceX, sourceY, rop);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void DibImage::DrawStretched(HDC target, int x, int y, int width, int height, DWORD rop) const
{
    if (!infoBlock || !section) return;
    const BITMAPINFOHEADER* header = InfoHeader();
    int sourceHeight = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    DrawStretchedRegion(target, x, y, width, height, 0, 0, header->biWidth, sourceHeight, rop);
}

void DibImage::DrawStretchedRegion(HDC target, int x, int y, int width, int height, int sourceX,
                                   int sourceY, int sourceWidth, int sourceHeight, DWORD rop) const
{
    if (!section) return;
    HDC memory = CreateCompatibleDC(target);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, section);
    StretchBlt(target, x, y, width, height, memory, sourceX, sourceY, sourceWidth, sourceHeight,
               rop);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void DibImage::DrawStretchedWithColors(HDC target, int x, int y, int width, int height,
                                       const RGBQUAD* colors, uint32_t count, DWORD rop) const
{
    if (!infoBlock || !section) return;
    const BITMAPINFOHEADER* header = InfoHeader();
    int sourceHeight = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    HDC memory = CreateCompatibleDC(target);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, section);
    RGBQUAD own[256];
    UINT held = GetDIBColorTable(memory, 0, 256, own);
    SetDIBColorTable(memory, 0, count < held ? count : held, colors);
    StretchBlt(target, x, y, width, height, memory, 0, 0, header->biWidth, sourceHeight, rop);
    SetDIBColorTable(memory, 0, held, own);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void DibImage::DrawScaledRegion(HDC target, const RECT& destination, const RECT& source, const RGBQUAD* colors,
                                uint32_t count) const
{
    if (!section) return;
    HDC memory = CreateCompatibleDC(target);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, section);
    RGBQUAD own[256];
    UINT held = colors ? GetDIBColorTable(memory, 0, 256, own) : 0;
    if (colors) SetDIBColorTable(memory, 0, count < held ? count : held, colors);
    const int width = destination.right - destination.left;
    const int height = destination.bottom - destination.top;
    const int sourceWidth = source.right - source.left;
    const int sourceHeight = source.bottom - source.top;
    if (width == sourceWidth && height == sourceHeight) {
        BitBlt(target, destination.left, destination.top, width, height, memory, source.left, source.top, SRCCOPY);
    } else {
        // Whole rows and columns repeated or dropped: never blended.
        int mode = SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, destination.left, destination.top, width, height, memory, source.left, source.top,
                   sourceWidth, sourceHeight, SRCCOPY);
        SetStretchBltMode(target, mode);
    }
    if (colors) SetDIBColorTable(memory, 0, held, own);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

bool DibImage::DrawReducedRegion(HDC target, int x, int y, const RECT& source, int step, const RGBQUAD* colors,
                                 uint32_t count) const
{
    if (!section || step < 1) return false;
    const BITMAPINFOHEADER* header = InfoHeader();
    const uint32_t bitCount = header->biBitCount;
    const bool indexed = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (header->biCompression != BI_RGB || (!indexed && bitCount != 24 && bitCount != 32)) return false;
    const int64_t sourceWidth = source.right - source.left, sourceHeight = source.bottom - source.top;
    const int width = int((sourceWidth + step - 1) / step), height = int((sourceHeight + step - 1) / step);
    if (width <= 0 || height <= 0) return true;
    const int64_t pictureHeight = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;

    // The reduced pixels in a top-down section of their own: indices as
    // 8 bits through the image's colors, or the pixels' own bytes.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(indexed ? 8 : bitCount);
    info.header.biCompression = BI_RGB;
    if (indexed) {
        const uint32_t held = entryCount < 256 ? entryCount : 256;
        for (uint32_t i = 0; i < held; ++i) info.colors[i] = Colors()[i];
        if (colors) {
            for (uint32_t i = 0; i < count && i < held; ++i) info.colors[i] = colors[i];
        }
        info.header.biClrUsed = 256;
    }
    void* reducedBits = nullptr;
    HBITMAP reduced = CreateDIBSection(target, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &reducedBits,
                                       nullptr, 0);
    if (!reduced || !reducedBits) {
        if (reduced) DeleteObject(reduced);
        return false;
    }
    const size_t pixelBytes = indexed ? 1 : bitCount / 8;
    const size_t reducedStride = (size_t(width) * pixelBytes + 3) / 4 * 4;
    for (int row = 0; row < height; ++row) {
        const int64_t line = source.top + int64_t(row) * step;
        const int64_t stored = header->biHeight < 0 ? line : pictureHeight - 1 - line;
        const unsigned char* from = bits + size_t(stored) * stride;
        unsigned char* to = static_cast<unsigned char*>(reducedBits) + size_t(row) * reducedStride;
        for (int column = 0; column < width; ++column) {
            const uint64_t pixel = uint64_t(source.left) + uint64_t(column) * uint64_t(step);
            if (indexed) {
                const uint64_t bit = pixel * bitCount;
                to[column] = (from[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
            } else {
                for (size_t b = 0; b < pixelBytes; ++b) to[size_t(column) * pixelBytes + b] = from[pixel * pixelBytes + b];
            }
        }
    }
    GdiFlush();
    HDC memory = CreateCompatibleDC(target);
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, reduced);
        BitBlt(target, x, y, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    DeleteObject(reduced);
    return memory != nullptr;
}
