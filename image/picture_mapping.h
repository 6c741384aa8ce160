// The steps map and quantize share, whoever holds the picture (a file read
// row by row, or the editor's bitmap): a palette made from the rows, and the
// rows mapped onto a palette into an indexed picture.
#ifndef KORIN_IMAGE_PICTURE_MAPPING_H
#define KORIN_IMAGE_PICTURE_MAPPING_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "color/palette_mapper.h"
#include "image/indexed_output.h"
#include "image/png_truecolor.h"
#include "palette/color_table.h"
#include "platform/platform.h"

class DibImage;

// Walks a picture's rows top to bottom, handing each to row.
typedef std::function<bool(const RgbaRow& row, std::string* reason)> RowWalk;

struct MapPalette {
    ColorTable table;
    std::vector<uint8_t> alpha;  // per entry; empty or short: opaque
};

// A palette of colors entries made from the rows: the first keep entries of
// kept in place, a transparent entry after them when some pixel is below the
// threshold and none of the kept (nor transparentEntry) is transparent.
bool MakePaletteFromRows(const RowWalk& walk, uint32_t width, uint32_t colors, const MapPalette& kept, uint32_t keep,
                         bool sortByLightness, const MapSettings& settings, MapPalette* made, std::string* reason);

// Told how many rows are mapped: 0 once the picture's size, alpha and
// transparent entry are in place, then after each row.
typedef std::function<void(uint32_t rows)> RowsMapped;

// The rows mapped onto palette; the transparent entry, when there is one,
// takes alpha 0 in the picture's alpha.
bool MapRowsOntoPalette(const RowWalk& walk, uint32_t width, uint32_t height, const MapPalette& palette,
                        const MapSettings& settings, IndexedPicture* picture, MapError* error, std::string* reason,
                        const RowsMapped& mapped = RowsMapped());

// The same, written in format to out while the rows are mapped (the writing,
// a deflate or LZW coding, on a second thread, a row once it is mapped).
// *writeFailed tells a failure of the writing from one of the rows.
bool MapRowsIntoFile(const RowWalk& walk, uint32_t width, uint32_t height, const MapPalette& palette,
                     const MapSettings& settings, ImageFileFormat format, SafeFileWriter& out, MapError* error,
                     std::string* reason, bool* writeFailed);

// The rows of a bitmap of 1, 4, 8, 24 or 32 bits, top first; a 32-bit one's
// fourth byte is its alpha when alphaChannel, else it is shown opaque.
bool ForEachBitmapRow(const DibImage& image, bool alphaChannel, const RgbaRow& row, std::string* reason);

// A BMP file's bytes holding the rows: 32 bits with alpha in the fourth
// byte when withAlpha, else 24 bits.
bool RowsAsBmpFile(const RowWalk& walk, uint32_t width, uint32_t height, bool withAlpha, std::string* bytes,
                   std::string* reason);

// The indexed picture as a bitmap of 1, 4 or 8 bits (the fewest that index
// the table) with table's entries; false, the image empty, when it cannot be made.
bool IndexedPictureAsBitmap(HDC dc, const IndexedPicture& picture, const ColorTable& table, DibImage* image);

#endif
