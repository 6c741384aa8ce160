// An indexed PNG written again with a rearranged table: its pixel data
// inflated, unfiltered, remapped a packed byte at a time, filtered and
// deflated into new IDAT chunks as it goes, and an animation's frames into
// new fdAT chunks the same way; tRNS, hIST and bKGD follow their entries and
// every other chunk is copied byte for byte (an animation's fcTL but for its
// sequence number).
#ifndef KORIN_IMAGE_PNG_REMAP_H
#define KORIN_IMAGE_PNG_REMAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/png_file.h"

// The entry bKGD names; -1 when there is none.
int PngBackgroundIndex(const ByteSource& source, const PngStructure& png);

// The images CountPngIndices counts: the default image and each frame after it.
size_t PngImagesCounted(const PngStructure& png);

// Writes the file of png with table and, when remapPixels, every pixel index
// i as map[i] (see IndexRemap), in the default image and every frame. False
// with a reason; out then fails. The default image's rows come from kept
// when it holds them all (the same file's, from counting), else from the file.
bool WriteRemappedPng(const ByteSource& source, const PngStructure& png, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason,
                      const PngEncoding& encoding = PngEncoding(), const PngKeptRows* kept = nullptr);

#endif
