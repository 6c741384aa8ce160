// The variable-length LZW decoder of GIF image data, fed one sub-block at a
// time. Its memory is fixed (a 4096-code dictionary and one output block),
// whatever the image's size, and it never gives out more pixels than the
// image descriptor promises.
#ifndef KORIN_IMAGE_GIF_LZW_H
#define KORIN_IMAGE_GIF_LZW_H

#include <cstddef>
#include <cstdint>
#include <functional>

class GifLzwDecoder {
public:
    // Receives decoded indices in order, a run at a time.
    typedef std::function<void(const uint8_t* indices, size_t count)> PixelSink;

    enum class Status {
        NeedMore,  // every byte fed was used; more data may follow
        Finished,  // the end code came, or every promised pixel is out
        Corrupt,   // a code that no encoder writes; see Problem()
    };

    // minimumCodeSize is the byte before the data: 2 to 8 as encoders write
    // it, also 1 and 9 to 11 as decoders take it (codes of up to 12 bits);
    // pixelCount is width * height of the image descriptor.
    GifLzwDecoder(uint8_t minimumCodeSize, uint64_t pixelCount, const PixelSink& sink);

    // Decodes the bytes of one data sub-block.
    Status Feed(const uint8_t* bytes, size_t count);
    // Hands over what is decoded and, with pad, 0 up to the promised pixel
    // count; returns how many pixels are missing (the data ran out early).
    uint64_t Finish(bool pad);

    uint64_t PixelsOut() const { return pixelsOut + pending; }
    // Which code was wrong, for a Corrupt status.
    const char* Problem() const { return problem; }

    static const uint8_t kSmallestCodeSize = 1;
    static const uint8_t kLargestCodeSize = 11;

private:
    static const uint32_t kMaxCodes = 4096;
    static const size_t kOutputBlock = 16384;

    void ResetDictionary();
    // False when the code cannot be decoded here.
    bool Decode(uint32_t code);
    void Widen();
    void Emit(uint32_t code);
    void Flush();

    PixelSink sink;
    uint64_t pixelCount;
    uint64_t pixelsOut;  // handed to the sink
    size_t pending;      // in output, not yet handed over
    uint32_t minimumCodeSize;
    uint32_t clearCode;
    uint32_t endCode;
    uint32_t nextCode;
    uint32_t codeSize;
    int32_t previousCode;  // -1 right after a clear code
    uint32_t bitBuffer;
    uint32_t bitCount;
    Status status;
    const char* problem;

    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes];
    uint8_t firstIndex[kMaxCodes];
    uint16_t length[kMaxCodes];
    uint8_t output[kOutputBlock];
};

#endif
