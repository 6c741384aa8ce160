// Where the picture lies in the main window, and which entry a point of it shows.
#include "document/bitmap_document.h"

bool BitmapDocument::PictureRect(RECT* place) const
{
    LONG dimensions[2];
    if (!ownerWindow || IsEmpty() || !GetDimensions(dimensions)) return false;
    // As Paint draws it: stretched over the client area, or at its own size.
    if (viewOptions.fitToWindow) {
        GetClientRect(ownerWindow, place);
    } else {
        SetRect(place, 0, 0, dimensions[0], dimensions[1] < 0 ? -dimensions[1] : dimensions[1]);
    }
    return place->right > place->left && place->bottom > place->top;
}

bool BitmapDocument::EntryAt(int x, int y, uint32_t* entry) const
{
    BITMAPINFOHEADER header;
    RECT place;
    if (viewOptions.showHeader || !PictureRect(&place) || !CopyHeaders(nullptr, &header)) return false;
    const uint32_t bitCount = header.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return false;
    if (x < place.left || x >= place.right || y < place.top || y >= place.bottom) return false;
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    // The pixel drawn over the middle of the screen pixel.
    const int64_t column = (2 * int64_t(x - place.left) + 1) * width / (2 * int64_t(place.right - place.left));
    const int64_t line = (2 * int64_t(y - place.top) + 1) * height / (2 * int64_t(place.bottom - place.top));
    const int64_t row = header.biHeight < 0 ? line : height - 1 - line;
    const unsigned char* bytes = Bits() + size_t(row) * Stride();
    const uint64_t bit = uint64_t(column) * bitCount;
    *entry = (bytes[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
    return true;
}
