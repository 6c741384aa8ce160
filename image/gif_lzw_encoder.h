// The variable-length LZW encoder of GIF image data: codes of minimum code
// size + 1 bits growing to 12, a clear code whenever the 4096-code
// dictionary fills, written as data sub-blocks of up to 255 bytes. Its
// memory is fixed whatever the image's size.
#ifndef KORIN_IMAGE_GIF_LZW_ENCODER_H
#define KORIN_IMAGE_GIF_LZW_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <functional>

class GifLzwEncoder {
public:
    // Receives the data as it is made: sub-blocks (each its length byte and
    // bytes) and, from Finish, the block terminator.
    typedef std::function<void(const uint8_t* bytes, size_t count)> Output;

    // minimumCodeSize is 2 to 8; every index must be below 2^minimumCodeSize.
    GifLzwEncoder(uint8_t minimumCodeSize, const Output& output);

    void Add(const uint8_t* indices, size_t count);
    // The last code, the end code and the terminator.
    void Finish();

private:
    static const uint32_t kMaxCodes = 4096;
    static const uint32_t kSlots = 8192;  // open addressing, at most half full

    void Put(uint32_t code);
    void Clear();
    void FlushBlock();

    Output output;
    uint32_t minimumCodeSize;
    uint32_t clearCode;
    uint32_t nextCode;
    uint32_t codeSize;
    int32_t prefix;  // the code of the string matched so far; -1 before the first index
    uint32_t bitBuffer;
    uint32_t bitCount;
    uint32_t keys[kSlots];   // (prefix << 8 | index) + 1; 0 for a free slot
    uint16_t codes[kSlots];
    uint8_t block[256];      // block[0] is the length byte
};

#endif
