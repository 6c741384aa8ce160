#include "image/swatch_palette.h"

#include <memory>

#include "image/indexed_file.h"
#include "image/picture_rows.h"

namespace {

uint32_t GreatestCommonDivisor(uint32_t a, uint32_t b)
{
    while (b) {
        const uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// One cell size still in the running, with the color each cell began with.
struct CellGrid {
    uint32_t size;
    uint32_t columns;
    bool uniform;
    std::vector<uint32_t> colors;  // RGBA packed, row by row
};

uint32_t PackRgba(const uint8_t* pixel)
{
    return uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16 | uint32_t(pixel[3]) << 24;
}

const char kStopped[] = "no cell size is left";
const char kNotSwatches[] = "is not a strip or grid of square swatches of one color each";

}  // namespace

bool IsSwatchPictureFormat(const ByteSource& source)
{
    const ImageFileFormat format = DetectImageFormat(source);
    return format == ImageFileFormat::Png || format == ImageFileFormat::Gif;
}

bool ReadSwatchPalette(const ByteSource& source, ColorTable* table, std::vector<uint8_t>* alpha,
                       std::string* reason)
{
    if (!IsSwatchPictureFormat(source)) {
        *reason = "is not a PNG or GIF picture";
        return false;
    }
    PictureRows picture;
    if (!picture.Open(source, reason)) return false;
    const uint32_t width = picture.Width(), height = picture.Height();
    const uint32_t common = GreatestCommonDivisor(width, height);
    // Larger cells first: the first that stays uniform is the answer.
    std::vector<CellGrid> grids;
    for (uint32_t size = common; size >= 1; --size) {
        if (common % size != 0) continue;
        const uint64_t cells = uint64_t(width / size) * (height / size);
        if (cells > kMaxSwatchCells) break;  // smaller cells only make more
        grids.push_back({size, width / size, true, std::vector<uint32_t>(size_t(cells))});
    }
    if (grids.empty()) {
        *reason = "is " + std::to_string(width) + " x " + std::to_string(height) +
                  " pixels, more than " + std::to_string(kMaxSwatchCells) + " square swatches however large";
        return false;
    }
    std::string why;
    const bool walked = picture.ForEachRow(
        source,
        [&](uint32_t y, const uint8_t* rgba, std::string* stop) {
            bool any = false;
            for (CellGrid& grid : grids) {
                if (!grid.uniform) continue;
                const bool cellTop = y % grid.size == 0;
                uint32_t* rowCells = &grid.colors[size_t(y / grid.size) * grid.columns];
                for (uint32_t x = 0; x < width && grid.uniform; ++x) {
                    const uint32_t color = PackRgba(rgba + size_t(4) * x);
                    uint32_t& cell = rowCells[x / grid.size];
                    if (cellTop && x % grid.size == 0) cell = color;
                    else if (cell != color) grid.uniform = false;
                }
                any = any || grid.uniform;
            }
            if (!any) *stop = kStopped;
            return any;
        },
        &why);
    if (!walked) {
        *reason = why == kStopped ? kNotSwatches : why;
        return false;
    }
    const CellGrid* found = nullptr;
    for (const CellGrid& grid : grids)
        if (grid.uniform && !found) found = &grid;
    ColorTable colors;
    if (!found) {
        *reason = kNotSwatches;
        return false;
    }
    if (!colors.Reset(uint32_t(found->colors.size()))) {
        *reason = "needs more memory than is free";
        return false;
    }
    std::vector<uint8_t> alphas;
    for (uint32_t i = 0; i < colors.GetCount(); ++i) {
        const uint32_t color = found->colors[i];
        colors.SetColor(i, uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16));
        alphas.push_back(uint8_t(color >> 24));
    }
    table->Swap(colors);
    if (alpha) alpha->swap(alphas);
    return true;
}
