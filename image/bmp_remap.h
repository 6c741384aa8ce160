// A BMP file's table rearranged and its pixels sent after their entries,
// file to file through a few bounded blocks: the picture is never held, row
// layout and padding are kept, and the table is written exactly as given.
#ifndef KORIN_IMAGE_BMP_REMAP_H
#define KORIN_IMAGE_BMP_REMAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/bmp_layout.h"
#include "palette/color_table.h"

class FolderFlushes;
class SafeFileWriter;
class SourceFile;

// The headers and table of an indexed (1, 4 or 8-bit) BMP file as the
// editor reads it and, with counts, how many pixels hold each index value
// (256 counts, padding never counted). False with a reason.
bool ReadBmpTable(SourceFile& file, BmpLayout* layout, ColorTable* table, std::vector<uint64_t>* counts,
                  std::string* reason);

// Writes the file of layout with table as its table and, when remapPixels,
// every pixel index i as map[i] (see IndexRemap). The table may be shorter
// or longer than the old one, within 2^bits. False with a reason; the writer
// is then made to fail.
bool WriteRemappedBmp(SourceFile& file, const BmpLayout& layout, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason);

#endif
