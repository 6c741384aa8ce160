// PNG rows filtered and deflated one at a time, the compressed bytes going to
// the caller as they come (deflated on every core, see PieceDeflater), so no
// image is ever held. Indexed rows compress best unfiltered: an index is a
// name, not a level, and differences of names are noise.
#ifndef KORIN_IMAGE_PNG_ROW_ENCODER_H
#define KORIN_IMAGE_PNG_ROW_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "image/piece_deflater.h"

class PngRowEncoder {
public:
    typedef PieceDeflater::Output Output;

    explicit PngRowEncoder(const Output& output, const PngEncoding& encoding = PngEncoding());
    ~PngRowEncoder();
    PngRowEncoder(const PngRowEncoder&) = delete;
    PngRowEncoder& operator=(const PngRowEncoder&) = delete;

    // Makes room for rows of up to largestRow bytes; false with a reason.
    bool Start(uint64_t largestRow, std::string* reason);
    // The next row is the first of an image or an interlace pass: nothing above it.
    void StartPass();
    // One packed row of count bytes.
    bool AddRow(const uint8_t* row, size_t count, std::string* reason);
    // Ends the compressed stream.
    bool Finish(std::string* reason);

private:
    PngFilterChoice filter;
    PieceDeflater deflater;
    size_t largest;
    std::unique_ptr<uint8_t[]> buffer;  // the row above, then five filtered forms of the row
};

#endif
