// A new indexed picture from one index a pixel and its table: a BMP at 1, 4
// or 8 bits, a PNG at the smallest depth that holds the table (alpha in
// tRNS), or a GIF (the transparent entry named in its graphic control),
// whichever the format asks; the table exactly as given, order and count.
#ifndef KORIN_IMAGE_INDEXED_OUTPUT_H
#define KORIN_IMAGE_INDEXED_OUTPUT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/indexed_file.h"

class ColorTable;
class SafeFileWriter;

struct IndexedPicture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> indices;   // width x height, top row first
    std::vector<uint8_t> alpha;     // per entry; empty or short: opaque
    int32_t transparentEntry = -1;  // GIF: the entry shown transparent
};

// The bits per pixel a format stores count entries at (1, 4 or 8 for BMP;
// 1, 2, 4 or 8 for PNG and GIF).
uint32_t IndexedBitsFor(ImageFileFormat format, uint32_t count);

// Waits until the rows of a picture still being made are in place up to
// row y (or will never be: the file is then given up).
typedef std::function<void(uint32_t y)> RowWait;

// Writes picture with table in format; false with a reason (a table of no
// entries or more than 256, a GIF over 65535 pixels a side). With waitForRow,
// each row is read once it says so.
bool WriteIndexedPicture(ImageFileFormat format, const IndexedPicture& picture, const ColorTable& table,
                         SafeFileWriter& out, std::string* reason, const RowWait& waitForRow = RowWait());

#endif
