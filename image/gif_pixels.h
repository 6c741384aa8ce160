// The pixel indices of a GIF file's images, decoded one image after another
// through one window of the file: the picture, the counts, the largest index
// and the rewrite of the pixels all read the data this one way.
#ifndef KORIN_IMAGE_GIF_PIXELS_H
#define KORIN_IMAGE_GIF_PIXELS_H

#include <cstddef>
#include <string>

#include "image/byte_source.h"
#include "image/gif_file.h"
#include "image/gif_lzw.h"
#include "image/gif_sub_blocks.h"

class GifPixelReader {
public:
    explicit GifPixelReader(const ByteSource& source);

    // Hands sink the indices of image (number index, from 0), never more
    // than width * height: the data's surplus is ignored and, with pad,
    // pixels it stops short of are 0, as viewers show them. False, with a
    // reason naming the image, for codes no encoder writes and for data that
    // stops short by more than it gives and a little more (see kShortfallSlack).
    bool Decode(const GifImage& image, size_t index, const GifLzwDecoder::PixelSink& sink, bool pad,
                std::string* reason);

    // False, with that reason, when the image's data is too short to give
    // enough of its pixels for Decode to take it: what its size promises
    // can then be refused before anything is allocated for it.
    static bool CanFill(const GifImage& image, size_t index, std::string* reason);

    // Encoders that end early leave out a few pixels or a row. Data may stop
    // short of its last pixel by no more than the pixels it gives and this
    // many besides: padding then costs no more than the decoding did, and a
    // small image without data still reads.
    static const uint64_t kShortfallSlack = 1024;

private:
    GifSubBlocks blocks;
};

#endif
