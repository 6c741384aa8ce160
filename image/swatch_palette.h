// A palette drawn as a picture: a strip or grid of equal square swatches,
// each of one color, read one color a cell in reading order. The cell size
// is the largest that divides both sides and leaves every cell uniform.
#ifndef KORIN_IMAGE_SWATCH_PALETTE_H
#define KORIN_IMAGE_SWATCH_PALETTE_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "palette/color_table.h"

// As many as an 8-bit table holds; a larger grid is more likely a photo.
const uint32_t kMaxSwatchCells = 256;

// Whether source is a PNG or GIF file (the pictures read as swatches).
bool IsSwatchPictureFormat(const ByteSource& source);
// The cells' colors of the PNG or GIF at source (flags 0) and, when alpha is
// not null, their alpha. False with a reason, the table unchanged, for
// another file or a picture that is no such grid.
bool ReadSwatchPalette(const ByteSource& source, ColorTable* table, std::vector<uint8_t>* alpha,
                       std::string* reason);

#endif
