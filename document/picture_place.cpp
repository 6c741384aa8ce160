// Where the picture lies in the main window, and which entry a point of it shows.
#include "document/bitmap_document.h"

#include "app/status_bar.h"
#include "image/view_geometry.h"

namespace {

int64_t Height(const LONG dimensions[2])
{
    return dimensions[1] < 0 ? -int64_t(dimensions[1]) : dimensions[1];
}

}  // namespace

bool BitmapDocument::PictureRect(RECT* place) const
{
    LONG dimensions[2];
    if (!ownerWindow || IsEmpty() || !GetDimensions(dimensions)) return false;
    // As Paint draws it: stretched over the picture area, or at its zoom
    // from the scrolled-to point.
    if (viewOptions.fitToWindow) {
        PictureArea(ownerWindow, place);
    } else {
        const int32_t factor = zoomOptions.factor;
        SetRect(place, -scrollPosition.x, -scrollPosition.y,
                LONG(ScaledExtent(dimensions[0], factor) - scrollPosition.x),
                LONG(ScaledExtent(Height(dimensions), factor) - scrollPosition.y));
    }
    return place->right > place->left && place->bottom > place->top;
}

bool BitmapDocument::PixelAt(int x, int y, int64_t* column, int64_t* line) const
{
    RECT place, area;
    LONG dimensions[2];
    if (viewOptions.showHeader || !PictureRect(&place) || !GetDimensions(dimensions)) return false;
    PictureArea(ownerWindow, &area);
    if (x < place.left || x >= place.right || y < place.top || y >= place.bottom) return false;
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return false;
    const int64_t width = dimensions[0];
    const int64_t height = Height(dimensions);
    if (viewOptions.fitToWindow) {
        // The pixel drawn over the middle of the screen pixel.
        *column = (2 * int64_t(x - place.left) + 1) * width / (2 * int64_t(place.right - place.left));
        *line = (2 * int64_t(y - place.top) + 1) * height / (2 * int64_t(place.bottom - place.top));
    } else {
        *column = PictureCoordinate(int64_t(x) + scrollPosition.x, zoomOptions.factor);
        *line = PictureCoordinate(int64_t(y) + scrollPosition.y, zoomOptions.factor);
    }
    return *column >= 0 && *column < width && *line >= 0 && *line < height;
}

bool BitmapDocument::EntryAt(int x, int y, uint32_t* entry) const
{
    BITMAPINFOHEADER header;
    int64_t column, line;
    if (!CopyHeaders(nullptr, &header)) return false;
    const uint32_t bitCount = header.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return false;
    if (!PixelAt(x, y, &column, &line)) return false;
    const int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    const int64_t row = header.biHeight < 0 ? line : height - 1 - line;
    const unsigned char* bytes = Bits() + size_t(row) * Stride();
    const uint64_t bit = uint64_t(column) * bitCount;
    *entry = (bytes[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
    return true;
}
