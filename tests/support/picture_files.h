// Small indexed PNG and GIF files made by independent encoders (pypng and
// Pillow), for tests that open, edit and save them through the program.
#ifndef KORIN_TESTS_SUPPORT_PICTURE_FILES_H
#define KORIN_TESTS_SUPPORT_PICTURE_FILES_H

#include <cstdint>
#include <string>
#include <vector>

// 5 x 3 pixels at 2 bits, index (x + y) % 4; a 4-entry table whose entries
// 0 and 2 have tRNS alpha 0 and 128; a tEXt chunk after the pixels.
std::string SmallPngBytes();
// 6 x 4 pixels, index (x + 3y) % 6; an 8-entry global table; a comment and a
// graphic control extension with transparent index 2 before the image.
std::string SmallGifBytes();

struct PngChunkBytes {
    std::string type;
    std::string bytes;  // the whole chunk: length, type, data, CRC
};
// The chunks of a PNG file in order; empty when it does not walk.
std::vector<PngChunkBytes> PngChunksOf(const std::string& file);
// The data of the first chunk of that type; empty when there is none.
std::string PngChunkData(const std::string& file, const std::string& type);

#endif
