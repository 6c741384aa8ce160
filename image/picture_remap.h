// A BMP, PNG or GIF file as the table rearrangements take it: its table,
// what travels with the entries (alpha, the indices the file names), how
// many pixels use each entry, and the file written again with a new table
// and its pixels sent through an entry map. korin-cli reads files through
// it; the editor's document writes the file it opened the same way.
#ifndef KORIN_IMAGE_PICTURE_REMAP_H
#define KORIN_IMAGE_PICTURE_REMAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/bmp_layout.h"
#include "image/gif_file.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "palette/color_table.h"

class ByteSource;
class SafeFileWriter;
class SourceFile;

class RemappablePicture {
public:
    RemappablePicture();

    // Reads the file's structure and table and, with countPixels, counts the
    // pixels of each entry (a pass over the pixel data; a PNG's rows are kept
    // for Write when they fit within a few MiB). gifTable, unless
    // kDefaultGifTable, picks a GIF's table (see SelectGifTable); a BMP or
    // PNG file is then refused. False with a one-line reason.
    bool Read(SourceFile& file, bool countPixels, std::string* reason, int gifTable = kDefaultGifTable);
    // The same for a PNG or GIF file's bytes held anywhere, as the editor keeps
    // them; editPictureTable as for ReadGifStructure.
    bool ReadIndexed(const ByteSource& source, bool countPixels, std::string* reason, bool editPictureTable = false,
                     int gifTable = kDefaultGifTable);

    ImageFileFormat Format() const { return format; }
    const ColorTable& Table() const { return table; }
    // 256 counts, one for each index value, over every image that uses the
    // table; empty unless counted.
    const std::vector<uint64_t>& Counts() const { return counts; }
    // How each entry's pixels show (see kFullySeen in palette/rearrange.h):
    // a PNG's alpha from tRNS; for a GIF, whether the transparent index of
    // each image or plain text drawn with the table names it.
    std::vector<uint32_t> Visibility() const;
    // Entries some pixel uses (after counting) or the file names (PNG bKGD;
    // GIF transparent and background index, plain text colors): those a
    // compact keeps.
    std::vector<bool> UsedEntries() const;
    // The fewest and most entries the file's table may hold.
    uint32_t MinimumEntries() const;
    uint32_t MaximumEntries() const;

    // Writes the file again with table and, when remapPixels, every pixel
    // index i as map[i]; what the file says of an entry (PNG tRNS, hIST,
    // bKGD; GIF transparent and background index) follows it through map.
    // file is the one Read took. False with a reason; out then fails.
    // A PNG's pixels are encoded as encoding says.
    bool Write(SourceFile& file, const ColorTable& table, const std::vector<uint32_t>& map, bool remapPixels,
               SafeFileWriter& out, std::string* reason, const PngEncoding& encoding = PngEncoding()) const;
    bool WriteIndexed(const ByteSource& source, const ColorTable& table, const std::vector<uint32_t>& map,
                      bool remapPixels, SafeFileWriter& out, std::string* reason,
                      const PngEncoding& encoding = PngEncoding(),
                      const std::vector<GifTableEdit>& otherGifTables = {}) const;

private:
    ImageFileFormat format;
    BmpLayout bmp;
    PngStructure png;
    GifStructure gif;
    ColorTable table;
    std::vector<uint64_t> counts;
    PngKeptRows keptRows;  // a counted PNG's default image, for Write
    std::vector<uint32_t> named;  // entries the file names (see UsedEntries)
    std::vector<int> transparentIndices;  // a GIF's, one for each drawing with the table; -1 none
};

#endif
