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
