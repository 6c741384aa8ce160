// Indexed PNG files, edited without touching their pixels: the chunk walk
// that finds the table, the decoder that shows the picture, and the rewrite
// that puts a new table in and copies every other byte. Only zlib is used, so
// that nothing but the palette chunks is ever re-encoded.
#ifndef KORIN_IMAGE_PNG_FILE_H
#define KORIN_IMAGE_PNG_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "image/png_encoding.h"
#include "palette/color_table.h"

class SafeFileWriter;

struct PngChunk {
    char type[5];      // NUL-terminated
    uint64_t offset;   // of the chunk's length field
    uint32_t length;   // of its data
    uint32_t crc;
};

struct PngStructure {
    uint32_t width, height;
    uint8_t bitDepth, colorType, compression, filter, interlace;
    std::vector<PngChunk> chunks;   // every chunk in file order, IEND last
    ColorTable table;               // PLTE, flags 0
    std::vector<uint8_t> alpha;     // tRNS alpha per entry (may be shorter than the table)
    bool animated;                  // acTL present
    uint32_t frameCount;            // acTL's frame count; 1 when not animated
};

// The eight bytes every PNG file starts with.
extern const unsigned char kPngSignature[8];

// Walks the file: signature, every chunk's length and CRC, IHDR, PLTE, tRNS,
// hIST, bKGD, acTL/fcTL/fdAT. Only indexed PNGs are read: truecolor and
// greyscale ones have no table to edit. False with a one-line reason.
bool ReadPngStructure(const ByteSource& source, PngStructure* png, std::string* reason);
// The same, leaving the CRCs of the pixel chunks (IDAT, fdAT) to
// CheckPngPixelCrcs: a stream copying them can check them meanwhile.
bool ReadPngStructureBesidePixels(const ByteSource& source, PngStructure* png, std::string* reason);
bool CheckPngPixelCrcs(const ByteSource& source, const PngStructure& png, std::string* reason);

// The default image (its IDAT chunks) as one index per pixel, each row once,
// top to bottom (interlaced images are assembled first).
bool DecodePngImage(const ByteSource& source, const PngStructure& png,
                    const std::function<void(uint32_t y, const uint8_t* indices)>& row, std::string* reason);

// Refuses a default image whose IDAT bytes cannot inflate to the rows its
// header promises, before anything is allocated for the picture.
bool CheckPngImageData(const PngStructure& png, std::string* reason);

// The default image packed at bitCount bits per pixel (its own depth, or 4 for
// a 2-bit picture) into rows the caller holds: rowAt(y) is row y from the top,
// zeroed beforehand, room for the width at bitCount bits. An interlaced
// picture is assembled there pass by pass; nothing else holds it.
bool DecodePngPacked(const ByteSource& source, const PngStructure& png, uint32_t bitCount,
                     const std::function<uint8_t*(uint32_t y)>& rowAt, std::string* reason);

// Every stored row of the default image, pass by pass (one pass when not
// interlaced), unfiltered but still packed: row(pass, y in the pass, pixels
// in the row, bytes, byte count). A false return stops the walk, its reason kept.
typedef std::function<bool(int pass, uint32_t y, uint32_t width, const uint8_t* packed, size_t bytes,
                           std::string* reason)>
    PngPackedRow;
bool ForEachPackedPngRow(const ByteSource& source, const PngStructure& png, const PngPackedRow& row,
                         std::string* reason);
// The same for the animation frame whose fcTL is png.chunks[control] and
// whose data is in the fdAT chunks after it (an fcTL after IDAT).
bool ForEachPackedPngFrameRow(const ByteSource& source, const PngStructure& png, size_t control,
                              const PngPackedRow& row, std::string* reason);

// The default image's unfiltered rows as a walk gave them, kept while they
// fit within a bound, so that a rewrite after counting replays them instead
// of inflating the file a second time.
class PngKeptRows {
public:
    static const size_t kDefaultBound = size_t(4) << 20;
    explicit PngKeptRows(size_t bound = kDefaultBound);
    void Clear();
    // Takes the next row; past the bound everything kept is let go.
    void Add(int pass, uint32_t y, uint32_t width, const uint8_t* packed, size_t count);
    // Marks the image whole: every row was added.
    void Finish() { complete = held; }
    bool Complete() const { return complete; }
    // The rows again, as ForEachPackedPngRow gives them.
    bool ForEach(const PngPackedRow& row, std::string* reason) const;

private:
    struct Row {
        int pass;
        uint32_t y;
        uint32_t width;
        size_t count;
    };
    size_t bound;
    bool held;
    bool complete;
    std::vector<Row> rows;
    std::vector<uint8_t> bytes;
};

// How many pixels hold each index value (256 counts), over the default image
// and every frame; the default image's rows go to kept too when given.
bool CountPngIndices(const ByteSource& source, const PngStructure& png, std::vector<uint64_t>* counts,
                     std::string* reason, PngKeptRows* kept = nullptr);

// The largest index any pixel uses, over the default image and every frame.
bool LargestPngIndex(const ByteSource& source, const PngStructure& png, uint32_t* largest, std::string* reason);

// The file again with table in place of its own. PLTE is rebuilt; tRNS keeps
// each alpha with its entry (cut to the table, dropped when nothing is left);
// hIST is dropped when the count changes; every other byte is copied. Refuses
// an empty table and one larger than the bit depth allows. The pixels' indices
// are not checked against the table (LargestPngIndex is for that).
bool WritePngWithTable(const ByteSource& source, const PngStructure& png, const ColorTable& table,
                       SafeFileWriter& out, std::string* reason);

// A new indexed PNG: IHDR, PLTE, IDAT, IEND. row(y, indices) fills the width
// indices of row y, top to bottom. bitDepth is 1, 2, 4 or 8.
bool WriteIndexedPng(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
                     const std::function<void(uint32_t y, uint8_t* indices)>& row, SafeFileWriter& out,
                     std::string* reason, const PngEncoding& encoding = PngEncoding());

// The same from rows already packed at bitDepth (row(y, packed) fills
// PackedRowBytes of them, bits past the width 0), with alpha put into tRNS
// (cut to the table; none when every entry left is opaque).
bool WriteIndexedPngPacked(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
                           const std::vector<uint8_t>& alpha,
                           const std::function<void(uint32_t y, uint8_t* packed)>& row, SafeFileWriter& out,
                           std::string* reason, const PngEncoding& encoding = PngEncoding());

#endif
