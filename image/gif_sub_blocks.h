// Walks a chain of GIF data sub-blocks (a length byte, that many bytes, and
// so on until a zero length) through a window of the source, so that a long
// chain read from a file costs no more memory than the window.
#ifndef KORIN_IMAGE_GIF_SUB_BLOCKS_H
#define KORIN_IMAGE_GIF_SUB_BLOCKS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/byte_source.h"

class GifSubBlocks {
public:
    enum class Step {
        Block,      // data and count hold the next sub-block's bytes
        End,        // the terminator: Offset() is just past it
        Truncated,  // the file ends first: Offset() is where the cut sub-block starts
    };

    GifSubBlocks(const ByteSource& source, uint64_t offset);

    // Goes on from another chain's first length byte, keeping the window.
    void Seek(uint64_t chainOffset) { offset = chainOffset; }
    // data stays valid until the next call.
    Step Next(const uint8_t** data, size_t* count);
    uint64_t Offset() const { return offset; }

private:
    // Makes the window hold count bytes from at; false past the end.
    bool Hold(uint64_t at, size_t count);

    const ByteSource& source;
    uint64_t offset;
    uint64_t windowStart;
    size_t windowLength;
    std::vector<uint8_t> window;
};

#endif
