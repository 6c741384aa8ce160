#include "image/gif_lzw.h"

#include <cstring>

GifLzwDecoder::GifLzwDecoder(uint8_t minimumCodeSize, uint64_t pixelCount, const PixelSink& sink)
    : sink(sink), pixelCount(pixelCount), pixelsOut(0), pending(0), minimumCodeSize(minimumCodeSize),
      clearCode(1u << (minimumCodeSize & 15)), endCode(clearCode + 1), nextCode(0), codeSize(0),
      previousCode(-1), bitBuffer(0), bitCount(0), status(Status::NeedMore), problem("")
{
    if (minimumCodeSize < kSmallestCodeSize || minimumCodeSize > kLargestCodeSize) {
        status = Status::Corrupt;
        problem = "the LZW minimum code size is not 1 to 11";
        return;
    }
    for (uint32_t i = 0; i < clearCode; ++i) {
        prefix[i] = 0;
        suffix[i] = uint8_t(i);
        firstIndex[i] = uint8_t(i);
        length[i] = 1;
    }
    ResetDictionary();
    if (pixelCount == 0) status = Status::Finished;
}

void GifLzwDecoder::ResetDictionary()
{
    codeSize = minimumCodeSize + 1;
    nextCode = endCode + 1;
    previousCode = -1;
}

GifLzwDecoder::Status GifLzwDecoder::Feed(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count && status == Status::NeedMore; ++i) {
        bitBuffer |= uint32_t(bytes[i]) << bitCount;
        bitCount += 8;
        while (bitCount >= codeSize && status == Status::NeedMore) {
            const uint32_t code = bitBuffer & ((1u << codeSize) - 1);
            bitBuffer >>= codeSize;
            bitCount -= codeSize;
            if (!Decode(code)) status = Status::Corrupt;
        }
    }
    return status;
}

bool GifLzwDecoder::Decode(uint32_t code)
{
    if (code == clearCode) {
        ResetDictionary();
        return true;
    }
    if (code == endCode) {
        status = Status::Finished;
        return true;
    }
    if (code < clearCode && code > 255) {
        problem = "a pixel index above 255, which no color table has";
        return false;
    }
    if (previousCode < 0) {
        // After a clear code only a literal can come: nothing to build on yet.
        if (code > clearCode) {
            problem = "a code past the literals right after a clear code";
            return false;
        }
        Emit(code);
        previousCode = int32_t(code);
        Widen();
        return true;
    }
    const uint32_t previous = uint32_t(previousCode);
    if (code > nextCode || (code == nextCode && nextCode >= kMaxCodes)) {
        problem = "a code beyond the dictionary built so far";
        return false;
    }
    // A full dictionary stays as it is until the next clear code.
    if (nextCode < kMaxCodes) {
        const uint8_t first = code < nextCode ? firstIndex[code] : firstIndex[previous];
        prefix[nextCode] = uint16_t(previous);
        suffix[nextCode] = first;
        firstIndex[nextCode] = firstIndex[previous];
        length[nextCode] = uint16_t(length[previous] + 1);
        ++nextCode;
    }
    Widen();
    Emit(code);
    previousCode = int32_t(code);
    return true;
}

void GifLzwDecoder::Widen()
{
    // Once the next code needs another bit, codes are read with it. Only
    // size 1 gets there without a new entry: its first code after a clear
    // is read in 2 bits, the rest from 3 up (as the common libraries read it).
    if (nextCode >= (1u << codeSize) && codeSize < 12) ++codeSize;
}

void GifLzwDecoder::Emit(uint32_t code)
{
    const uint32_t stringLength = length[code];
    if (kOutputBlock - pending < stringLength) Flush();
    // The string is written back to front along its prefix chain.
    uint8_t* end = output + pending + stringLength;
    uint32_t walk = code;
    for (uint32_t i = 0; i < stringLength; ++i) {
        *--end = suffix[walk];
        walk = prefix[walk];
    }
    const uint64_t room = pixelCount - PixelsOut();
    pending += size_t(stringLength < room ? stringLength : room);
    if (PixelsOut() == pixelCount) {
        Flush();
        status = Status::Finished;
    }
}

void GifLzwDecoder::Flush()
{
    if (pending) sink(output, pending);
    pixelsOut += pending;
    pending = 0;
}

uint64_t GifLzwDecoder::Finish(bool pad)
{
    Flush();
    const uint64_t missing = pixelCount - pixelsOut;
    if (!pad) return missing;
    std::memset(output, 0, sizeof output);
    while (pixelsOut < pixelCount) {
        const uint64_t left = pixelCount - pixelsOut;
        const size_t run = left < kOutputBlock ? size_t(left) : kOutputBlock;
        sink(output, run);
        pixelsOut += run;
    }
    return missing;
}
