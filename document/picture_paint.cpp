// Drawing the picture into the main window: fitted as specified, or at its
// zoom with only the visible part drawn, through the display colors (the
// live working table, the highlight) and with the pixel grid over it.
#include "document/bitmap_document.h"

#include <vector>

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/status_bar.h"
#include "image/view_geometry.h"
#include "palette/color_table.h"
#include "palette/palette_window.h"

namespace {

// The grid shows from this factor on.
const int32_t kGridFactor = 8;

int64_t Height(const LONG dimensions[2])
{
    return dimensions[1] < 0 ? -int64_t(dimensions[1]) : dimensions[1];
}

// Two-pixel dashes, black and white, along rows and columns alike: a line
// of them shows on any picture.
HBRUSH MakeGridBrush()
{
    WORD rows[8];
    for (int y = 0; y < 8; ++y) {
        WORD bits = 0;
        for (int x = 0; x < 8; ++x) {
            if (((x + y) / 2) % 2) bits = WORD(bits | (0x80 >> x));
        }
        rows[y] = bits;
    }
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    DeleteObject(pattern);
    return brush;
}

}  // namespace

void BitmapDocument::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(ownerWindow, &paint);
    if (ownerWindow && !IsEmpty() && !viewOptions.showHeader) {
        std::vector<RGBQUAD> colors;
        const bool shownColors = DisplayColors(&colors);
        const uint32_t count = uint32_t(colors.size());
        if (viewOptions.fitToWindow) {
            RECT area;
            PictureArea(ownerWindow, &area);
            if (shownColors) {
                DrawStretchedWithColors(dc, 0, 0, area.right, area.bottom, colors.data(), count, SRCCOPY);
            } else {
                DrawStretched(dc, 0, 0, area.right, area.bottom, SRCCOPY);
            }
        } else {
            PaintZoomed(dc, shownColors ? colors.data() : nullptr, count);
            PaintPixelGrid(dc);
        }
    }
    EndPaint(ownerWindow, &paint);
}

void BitmapDocument::PaintZoomed(HDC dc, const RGBQUAD* colors, uint32_t count) const
{
    LONG dimensions[2];
    RECT area;
    if (!GetDimensions(dimensions)) return;
    PictureArea(ownerWindow, &area);
    const int32_t factor = zoomOptions.factor;
    const VisibleRun columns = VisiblePart(scrollPosition.x, area.right - area.left, dimensions[0], factor);
    const VisibleRun rows = VisiblePart(scrollPosition.y, area.bottom - area.top, Height(dimensions), factor);
    if (columns.count == 0 || rows.count == 0) return;
    const RECT source = {LONG(columns.first), LONG(rows.first), LONG(columns.first + columns.count),
                         LONG(rows.first + rows.count)};
    const RECT destination = {LONG(area.left + columns.start), LONG(area.top + rows.start),
                              LONG(area.left + columns.start + ScaledExtent(columns.count, factor)),
                              LONG(area.top + rows.start + ScaledExtent(rows.count, factor))};
    // Partial blocks at the edges stay off the status bar.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    // A reduction picks its pixels itself: stretching samples where the
    // platform likes, which need not be the pixel a click there picks.
    if (factor >= 1 || !DrawReducedRegion(dc, destination.left, destination.top, source, -factor, colors, count))
        DrawScaledRegion(dc, destination, source, colors, count);
    RestoreDC(dc, saved);
}

void BitmapDocument::PaintPixelGrid(HDC dc) const
{
    const int32_t factor = zoomOptions.factor;
    LONG dimensions[2];
    RECT area, place, shown;
    if (!zoomOptions.pixelGrid || factor < kGridFactor || !GetDimensions(dimensions) || !PictureRect(&place)) return;
    PictureArea(ownerWindow, &area);
    if (!IntersectRect(&shown, &area, &place)) return;
    const VisibleRun columns = VisiblePart(scrollPosition.x, area.right - area.left, dimensions[0], factor);
    const VisibleRun rows = VisiblePart(scrollPosition.y, area.bottom - area.top, Height(dimensions), factor);
    SelectedObject brush(dc, MakeGridBrush(), SelectedObject::Owned);
    const COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
    // A line on the first screen column (row) of every pixel but the picture's first.
    for (int64_t i = columns.first > 0 ? 0 : 1; i < columns.count; ++i) {
        const LONG x = LONG(area.left + columns.start + i * factor);
        if (x >= shown.left) PatBlt(dc, x, shown.top, 1, shown.bottom - shown.top, PATCOPY);
    }
    for (int64_t i = rows.first > 0 ? 0 : 1; i < rows.count; ++i) {
        const LONG y = LONG(area.top + rows.start + i * factor);
        if (y >= shown.top) PatBlt(dc, shown.left, y, shown.right - shown.left, 1, PATCOPY);
    }
    SetBkColor(dc, back);
    SetTextColor(dc, text);
}

bool BitmapDocument::DisplayColors(std::vector<RGBQUAD>* colors) const
{
    ColorTable table;
    if (!CopyColorTable(table) || table.GetCount() == 0) return false;
    colors->resize(table.GetCount());
    WriteColors(table, colors->data(), table.GetCount());
    bool changed = LiveColors(colors);
    if (HighlightShown() && FadeUnselected(colors)) changed = true;
    return changed;
}

bool BitmapDocument::LiveColors(std::vector<RGBQUAD>* colors) const
{
    const ColorTable& working = paletteWindow.WorkingTable();
    if (!paletteWindow.ShowsLivePicture() || working.GetCount() == 0) return false;
    uint32_t selected;
    const bool editing = colorPanel->IsVisible() && paletteWindow.SelectedEntry(&selected);
    for (uint32_t i = 0; i < colors->size(); ++i) {
        // The color the pixels of entry i take at Apply, wherever a rearrangement moved it.
        const uint32_t shown = paletteWindow.WorkingEntryOf(i);
        if (shown >= working.GetCount()) continue;
        const ColorEntry* e = working.GetEntry(shown);
        RGBQUAD& color = (*colors)[i];
        color.rgbRed = e->red;
        color.rgbGreen = e->green;
        color.rgbBlue = e->blue;
        if (editing && shown == selected) {
            // The panel's color before Enter writes it into the table.
            color.rgbRed = colorPanel->red;
            color.rgbGreen = colorPanel->green;
            color.rgbBlue = colorPanel->blue;
        }
    }
    return true;
}

void BitmapDocument::LiveColorsChanged(bool optionChanged)
{
    if (!optionChanged && !paletteWindow.ShowsLivePicture()) return;
    if (!ownerWindow || IsEmpty() || viewOptions.showHeader || !IsWindowVisible(ownerWindow)) return;
    Redraw(false);
    UpdateStatusBarAtPointer(ownerWindow);
}

bool BitmapDocument::PixelColor(int64_t column, int64_t line, uint32_t* color) const
{
    BITMAPINFOHEADER header;
    if (!CopyHeaders(nullptr, &header) || header.biCompression != BI_RGB) return false;
    const uint32_t bitCount = header.biBitCount;
    const int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    const int64_t row = header.biHeight < 0 ? line : height - 1 - line;
    const unsigned char* bytes = Bits() + size_t(row) * Stride();
    if (bitCount == 24 || bitCount == 32) {
        const unsigned char* pixel = bytes + size_t(column) * (bitCount / 8);
        *color = (uint32_t(pixel[2]) << 16) | (uint32_t(pixel[1]) << 8) | pixel[0];
        return true;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return false;
    const uint64_t bit = uint64_t(column) * bitCount;
    const uint32_t entry = (bytes[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
    ColorTable table;
    if (!CopyColorTable(table) || entry >= table.GetCount()) return false;
    // With the live picture on, the color the pixel is drawn in, not the applied one.
    std::vector<RGBQUAD> colors(table.GetCount());
    WriteColors(table, colors.data(), table.GetCount());
    LiveColors(&colors);
    const RGBQUAD& shown = colors[entry];
    *color = (uint32_t(shown.rgbRed) << 16) | (uint32_t(shown.rgbGreen) << 8) | shown.rgbBlue;
    return true;
}
