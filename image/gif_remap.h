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

// What is drawn with the edited table, in file order: each image that uses
// it and, when the global table is edited, each plain text extension.
struct GifDrawing {
    bool plainText;
    int transparentIndex;            // of the graphic control extension before it; -1 none
    uint8_t foreground, background;  // a plain text's colors
};

// The drawings of gif; false, with a reason, when a plain text's head cannot be read.
bool ListGifDrawings(const ByteSource& source, const GifStructure& gif, std::vector<GifDrawing>* drawings,
                     std::string* reason);

// How many pixels hold each index value (256 counts) over the images that
// use the edited table, from image firstImage on; pixels the data stops
// short of count as 0. images, when given, gets how many were counted.
bool CountGifIndices(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                     std::string* reason, size_t firstImage = 0, size_t* images = nullptr);

// Writes the file of gif with table (padded with black to a power of two)
// and, when remapPixels, every pixel index i of those images as map[i] (see
// IndexRemap); the tables in others (not the edited one) go in place of
// theirs, their images copied. False with a reason; out then fails.
bool WriteRemappedGif(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason,
                      const std::vector<GifTableEdit>& others = {});

#endif
