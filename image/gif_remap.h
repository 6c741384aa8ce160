// A GIF file written again with its edited table rearranged: every image
// that uses that table has its LZW data decoded, remapped and encoded again;
// the transparent index of its graphic control extension and the background
// index follow their entries; every other block is copied byte for byte.
#ifndef KORIN_IMAGE_GIF_REMAP_H
#define KORIN_IMAGE_GIF_REMAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/gif_file.h"

// Whether image i is drawn with the edited table.
bool GifImageUsesTable(const GifStructure& gif, size_t i);

// How many pixels hold each index value (256 counts) over the images that
// use the edited table; pixels the data stops short of count as 0.
bool CountGifIndices(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                     std::string* reason);

// Writes the file of gif with table (padded with black to a power of two)
// and, when remapPixels, every pixel index i of those images as map[i] (see
// IndexRemap). False with a reason; out then fails.
bool WriteRemappedGif(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason);

#endif
