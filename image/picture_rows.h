// Any picture the program reads, as rows of 8-bit red, green, blue and alpha,
// top to bottom: a 16-, 24- or 32-bit BMP of any info header (alpha where its
// bit fields name it; a plain 32-bit one's fourth byte unused, as its format
// says), an indexed BMP, a truecolor or greyscale PNG, or an
// indexed PNG or GIF (each pixel its entry's color and alpha).
#ifndef KORIN_IMAGE_PICTURE_ROWS_H
#define KORIN_IMAGE_PICTURE_ROWS_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/bmp_truecolor.h"
#include "image/byte_source.h"
#include "image/indexed_file.h"
#include "image/png_truecolor.h"
#include "palette/color_table.h"

class PictureRows {
public:
    PictureRows();

    // Reads the structure; false with a one-line reason.
    bool Open(const ByteSource& source, std::string* reason);
    uint32_t Width() const { return width; }
    uint32_t Height() const { return height; }
    // Whether any pixel may be less than opaque.
    bool HasAlpha() const;
    // An indexed picture's table and alpha per entry (empty for a truecolor one).
    const ColorTable& Table() const { return table; }
    const std::vector<uint8_t>& TableAlpha() const { return tableAlpha; }
    bool IsIndexed() const { return kind == Kind::IndexedBmp || kind == Kind::Indexed; }

    // Every row once, top first; the same source as Open's.
    bool ForEachRow(const ByteSource& source, const RgbaRow& row, std::string* reason) const;

private:
    enum class Kind { None, TrueBmp, IndexedBmp, TruePng, Indexed };
    bool OpenBmp(const ByteSource& source, std::string* reason);
    bool BmpRows(const ByteSource& source, const RgbaRow& row, std::string* reason) const;

    Kind kind;
    uint32_t width, height;
    // BMP: where the rows are, which way up, how wide each is stored.
    uint64_t pixelStart;
    uint32_t stride, bitCount;
    bool topDown;
    TruecolorBmp trueBmp;
    TruecolorPng png;
    IndexedFile indexed;
    ColorTable table;
    std::vector<uint8_t> tableAlpha;
};

// A palette with each entry's alpha: a palette file in any format the
// program reads (all opaque), or the table of an indexed BMP, PNG or GIF
// (a PNG's tRNS, a GIF's transparent entry). False with a reason.
bool LoadPaletteWithAlpha(const char* path, ColorTable* table, std::vector<uint8_t>* alpha, std::string* reason);

#endif
