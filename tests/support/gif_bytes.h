// GIF files built here, for the cases an encoder such as Pillow does not
// write: no global table, local tables on chosen images, images that do not
// cover the screen, a dictionary kept full without a clear code.
#ifndef KORIN_TESTS_GIF_BYTES_H
#define KORIN_TESTS_GIF_BYTES_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// LZW codes of indices (each below 2^minimumCodeSize, 2 to 8), from a clear code to
// the end code; clearWhenFull false keeps coding with a full dictionary.
std::string EncodeGifLzw(const std::vector<uint8_t>& indices, uint8_t minimumCodeSize, bool clearWhenFull);

// data as sub-blocks of at most 255 bytes and a terminator.
std::string GifSubBlockChain(const std::string& data);

struct GifFrameBytes {
    uint16_t left, top, width, height;
    std::string localTable;        // RGB bytes, a power of two entries; empty: none
    std::vector<uint8_t> indices;  // in data order, width * height of them
    uint8_t minimumCodeSize;
};

// A GIF89a file; globalTable RGB bytes as localTable.
std::string MakeGif(uint16_t screenWidth, uint16_t screenHeight, const std::string& globalTable, uint8_t background,
                    const std::vector<GifFrameBytes>& frames, bool trailer = true);

struct GifImage;
class ByteSource;

// The indices of frame's LZW data in source, in data order, handed to sink;
// data the decoder stops on ends the walk.
void DecodeGifFrame(const ByteSource& source, const GifImage& frame,
                    const std::function<void(const uint8_t* indices, size_t count)>& sink);

#endif
