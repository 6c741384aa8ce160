// How a PNG's pixel data is written: its row filters and the deflate that
// follows (level, the pieces deflated apart on every core).
#ifndef KORIN_IMAGE_PNG_ENCODING_H
#define KORIN_IMAGE_PNG_ENCODING_H

#include <cstddef>

struct DeflateSettings {
    int level = 6;                        // 1 to 9
    size_t pieceBytes = size_t(1) << 20;  // input bytes a piece takes
    unsigned workers = 0;                 // threads; 0 takes one per core
};

enum class PngFilterChoice {
    None,      // every row filter 0
    Smallest,  // each row the filter whose output has the smallest sum of absolute values
};

struct PngEncoding {
    DeflateSettings deflate;
    PngFilterChoice filter = PngFilterChoice::None;
};

#endif
