// The chunk walk of an indexed PNG, and the rewrite that changes its table.
#include "image/png_file.h"

#include <cstdio>
#include <cstring>

#include <zlib.h>

#include "image/png_bytes.h"
#include "platform/safe_file_writer.h"

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

namespace {

// Lengths, widths and heights are four-byte numbers below 2^31.
const uint32_t kLargestPngNumber = 0x7FFFFFFFu;
const size_t kCrcBlock = 64 * 1024;
const uint32_t kLargestDataWeRead = 3 * 256;  // PLTE, the largest chunk parsed
// A file of countless empty chunks would otherwise cost memory in proportion
// to its size; an animation of many frames holds far fewer.
const size_t kMostChunks = 1000000;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

std::string Where(const PngChunk& chunk)
{
    char text[80];
    std::snprintf(text, sizeof text, "%s chunk at offset %llu", chunk.type,
                  static_cast<unsigned long long>(chunk.offset));
    return text;
}

bool IsType(const PngChunk& chunk, const char* type)
{
    return std::memcmp(chunk.type, type, 4) == 0;
}

bool IsCritical(const PngChunk& chunk)
{
    return (chunk.type[0] & 0x20) == 0;
}

bool ValidType(const uint8_t* type)
{
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = type[i] & ~0x20;
        if (c < 'A' || c > 'Z') return false;
    }
    return true;
}

// The CRC of type and data, the data read in blocks so that a large chunk
// costs no more memory than a small one.
bool ChunkCrc(const ByteSource& source, const PngChunk& chunk, uint32_t* crc)
{
    uLong value = crc32(0L, reinterpret_cast<const Bytef*>(chunk.type), 4);
    uint8_t block[kCrcBlock];
    uint64_t at = chunk.offset + 8;
    uint32_t left = chunk.length;
    while (left > 0) {
        const uint32_t take = left < kCrcBlock ? left : uint32_t(kCrcBlock);
        if (!source.ReadAt(at, block, take)) return false;
        value = crc32(value, block, take);
        at += take;
        left -= take;
    }
    *crc = uint32_t(value);
    return true;
}

const char* NoTableReason(uint8_t colorType)
{
    switch (colorType) {
    case 0: return "a greyscale PNG has no color table to edit";
    case 2: return "a truecolor PNG has no color table to edit (its PLTE only suggests colors)";
    case 4: return "a greyscale PNG with alpha has no color table to edit";
    case 6: return "a truecolor PNG with alpha has no color table to edit (its PLTE only suggests colors)";
    default: return nullptr;
    }
}

// What the walk has seen so far, for the order rules.
struct WalkState {
    bool seenPlte = false, seenTrns = false, seenHist = false, seenBkgd = false, seenActl = false;
    bool inIdat = false, idatEnded = false;
    uint32_t frameControls = 0;
    bool fcTlOpen = false;  // a frame control after IDAT waits for its fdAT
    bool framesAfterImage = false;
};

bool ReadHeader(const uint8_t* data, PngStructure* png, std::string* reason)
{
    png->width = ReadBigEndian32(data);
    png->height = ReadBigEndian32(data + 4);
    png->bitDepth = data[8];
    png->colorType = data[9];
    png->compression = data[10];
    png->filter = data[11];
    png->interlace = data[12];
    if (png->width == 0 || png->width > kLargestPngNumber || png->height == 0 || png->height > kLargestPngNumber)
        return Refuse(reason, "IHDR: width or height is 0 or over 2^31-1");
    if (const char* noTable = NoTableReason(png->colorType)) return Refuse(reason, noTable);
    if (png->colorType != 3)
        return Refuse(reason, "IHDR: unknown color type " + std::to_string(png->colorType));
    if (png->bitDepth != 1 && png->bitDepth != 2 && png->bitDepth != 4 && png->bitDepth != 8)
        return Refuse(reason, "IHDR: bit depth " + std::to_string(png->bitDepth) + " is not one of an indexed PNG");
    if (png->compression != 0) return Refuse(reason, "IHDR: unknown compression method");
    if (png->filter != 0) return Refuse(reason, "IHDR: unknown filter method");
    if (png->interlace > 1) return Refuse(reason, "IHDR: unknown interlace method");
    return true;
}

// Checks one parsed chunk's length and place and takes what it says.
bool ReadKnownChunk(const PngChunk& chunk, const uint8_t* data, PngStructure* png, WalkState* state,
                    std::string* reason)
{
    const std::string where = Where(chunk);
    const bool beforeImage = !state->inIdat && !state->idatEnded;
    if (IsType(chunk, "PLTE")) {
        const uint32_t allowed = 1u << png->bitDepth;
        if (state->seenPlte || !beforeImage) return Refuse(reason, where + ": a second PLTE or one after IDAT");
        if (chunk.length == 0 || chunk.length % 3 != 0 || chunk.length / 3 > allowed)
            return Refuse(reason, where + ": length " + std::to_string(chunk.length) + " is not 3 bytes for each of 1 to " +
                                      std::to_string(allowed) + " entries");
        const uint32_t count = chunk.length / 3;
        if (!png->table.Reset(count)) return Refuse(reason, where + ": no memory for the table");
        for (uint32_t i = 0; i < count; ++i) png->table.SetColor(i, data[3 * i], data[3 * i + 1], data[3 * i + 2]);
        state->seenPlte = true;
    } else if (IsType(chunk, "tRNS")) {
        if (state->seenTrns || !state->seenPlte || !beforeImage)
            return Refuse(reason, where + ": tRNS must come once, after PLTE and before IDAT");
        if (chunk.length > png->table.GetCount())
            return Refuse(reason, where + ": " + std::to_string(chunk.length) + " alpha values for " +
                                      std::to_string(png->table.GetCount()) + " entries");
        png->alpha.assign(data, data + chunk.length);
        state->seenTrns = true;
    } else if (IsType(chunk, "hIST")) {
        if (state->seenHist || !state->seenPlte || !beforeImage)
            return Refuse(reason, where + ": hIST must come once, after PLTE and before IDAT");
        if (chunk.length != 2 * png->table.GetCount())
            return Refuse(reason, where + ": length " + std::to_string(chunk.length) + " is not 2 bytes per entry");
        state->seenHist = true;
    } else if (IsType(chunk, "bKGD")) {
        if (state->seenBkgd || !state->seenPlte || !beforeImage)
            return Refuse(reason, where + ": bKGD must come once, after PLTE and before IDAT");
        if (chunk.length != 1) return Refuse(reason, where + ": length is not 1 (an index)");
        state->seenBkgd = true;
    } else if (IsType(chunk, "acTL")) {
        if (state->seenActl || !beforeImage) return Refuse(reason, where + ": a second acTL or one after IDAT");
        if (chunk.length != 8) return Refuse(reason, where + ": length is not 8");
        png->frameCount = ReadBigEndian32(data);
        if (png->frameCount == 0) return Refuse(reason, where + ": no frames");
        png->animated = true;
        state->seenActl = true;
    } else if (IsType(chunk, "fcTL")) {
        if (!png->animated) return true;  // without acTL, frames are not there
        if (chunk.length != 26) return Refuse(reason, where + ": length is not 26");
        const uint64_t width = ReadBigEndian32(data + 4), height = ReadBigEndian32(data + 8);
        const uint64_t x = ReadBigEndian32(data + 12), y = ReadBigEndian32(data + 16);
        if (width == 0 || height == 0 || x + width > png->width || y + height > png->height)
            return Refuse(reason, where + ": the frame lies outside the image");
        if (state->fcTlOpen) return Refuse(reason, where + ": the frame before it has no fdAT");
        if (beforeImage) {
            // The default image is this frame: IDAT holds its data.
            if (state->frameControls != 0) return Refuse(reason, where + ": a second fcTL before IDAT");
            if (x != 0 || y != 0 || width != png->width || height != png->height)
                return Refuse(reason, where + ": the first frame is not the whole image");
        } else {
            state->fcTlOpen = true;
            state->framesAfterImage = true;
        }
        ++state->frameControls;
    } else if (IsType(chunk, "fdAT")) {
        if (!png->animated) return true;
        if (chunk.length < 4) return Refuse(reason, where + ": shorter than its sequence number");
        if (!state->framesAfterImage) return Refuse(reason, where + ": frame data without an fcTL after IDAT");
        state->fcTlOpen = false;
    }
    return true;
}

bool IsParsed(const PngChunk& chunk)
{
    for (const char* type : {"IHDR", "PLTE", "tRNS", "hIST", "bKGD", "acTL", "fcTL", "fdAT"}) {
        if (IsType(chunk, type)) return true;
    }
    return false;
}

bool WalkPng(const ByteSource& source, PngStructure* png, std::string* reason, bool checkPixelCrcs);

}  // namespace

void WritePngChunk(SafeFileWriter& out, const char* type, const uint8_t* data, uint32_t length)
{
    uint8_t head[8];
    PutBigEndian32(head, length);
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, head + 4, 4);
    if (length) crc = crc32(crc, data, length);
    uint8_t tail[4];
    PutBigEndian32(tail, uint32_t(crc));
    out.Write(head, sizeof head);
    if (length) out.Write(data, length);
    out.Write(tail, sizeof tail);
}

bool ReadPngStructure(const ByteSource& source, PngStructure* png, std::string* reason)
{
    return WalkPng(source, png, reason, true);
}

bool ReadPngStructureBesidePixels(const ByteSource& source, PngStructure* png, std::string* reason)
{
    return WalkPng(source, png, reason, false);
}

bool CheckPngPixelCrcs(const ByteSource& source, const PngStructure& png, std::string* reason)
{
    for (const PngChunk& chunk : png.chunks) {
        if (!IsType(chunk, "IDAT") && !IsType(chunk, "fdAT")) continue;
        uint32_t crc = 0;
        if (!ChunkCrc(source, chunk, &crc)) return Refuse(reason, Where(chunk) + ": cannot be read");
        if (crc != chunk.crc) return Refuse(reason, Where(chunk) + ": CRC mismatch");
    }
    return true;
}

namespace {

bool WalkPng(const ByteSource& source, PngStructure* png, std::string* reason, bool checkPixelCrcs)
{
    png->width = png->height = 0;
    png->bitDepth = png->colorType = png->compression = png->filter = png->interlace = 0;
    png->chunks.clear();
    png->table.Reset(0);
    png->alpha.clear();
    png->animated = false;
    png->frameCount = 1;

    uint8_t signature[8];
    if (!source.ReadAt(0, signature, sizeof signature) || std::memcmp(signature, kPngSignature, 8) != 0)
        return Refuse(reason, "not a PNG file: the signature is missing");
    WalkState state;
    uint64_t offset = 8;
    for (;;) {
        uint8_t head[8];
        if (!source.ReadAt(offset, head, sizeof head))
            return Refuse(reason, "the file ends at offset " + std::to_string(offset) + " before IEND");
        PngChunk chunk;
        std::memcpy(chunk.type, head + 4, 4);
        chunk.type[4] = '\0';
        chunk.offset = offset;
        chunk.length = ReadBigEndian32(head);
        if (!ValidType(head + 4))
            return Refuse(reason, "chunk at offset " + std::to_string(offset) + ": the type is not four letters");
        const std::string where = Where(chunk);
        if (chunk.length > kLargestPngNumber) return Refuse(reason, where + ": length over 2^31-1");
        if (source.Size() - offset - 8 < uint64_t(chunk.length) + 4)
            return Refuse(reason, where + ": truncated (the file ends inside it)");
        uint8_t stored[4];
        if (!source.ReadAt(offset + 8 + chunk.length, stored, 4)) return Refuse(reason, where + ": cannot be read");
        chunk.crc = ReadBigEndian32(stored);

        // Parsed chunks are small and read whole; the CRC is then taken of
        // those very bytes. Others are checked in blocks.
        uint8_t data[kLargestDataWeRead];
        uint32_t crc = 0;
        const bool frameData = IsType(chunk, "fdAT");
        const bool parsed = IsParsed(chunk);
        if (parsed && !frameData) {
            if (chunk.length > kLargestDataWeRead)
                return Refuse(reason, where + ": length " + std::to_string(chunk.length) + " is too large");
            if (!source.ReadAt(offset + 8, data, chunk.length)) return Refuse(reason, where + ": cannot be read");
            crc = uint32_t(crc32(crc32(0L, head + 4, 4), data, chunk.length));
        } else if (!checkPixelCrcs && (frameData || IsType(chunk, "IDAT"))) {
            crc = chunk.crc;
        } else if (!ChunkCrc(source, chunk, &crc)) {
            return Refuse(reason, where + ": cannot be read");
        }
        if (crc != chunk.crc) return Refuse(reason, where + ": CRC mismatch");

        if (png->chunks.empty() != IsType(chunk, "IHDR"))
            return Refuse(reason, png->chunks.empty() ? where + ": the first chunk is not IHDR" : where + ": a second IHDR");
        if (state.inIdat && !IsType(chunk, "IDAT")) {
            state.inIdat = false;
            state.idatEnded = true;
        }
        if (IsType(chunk, "IHDR")) {
            if (chunk.length != 13) return Refuse(reason, where + ": length is not 13");
            if (!ReadHeader(data, png, reason)) return false;
        } else if (IsType(chunk, "IDAT")) {
            if (state.idatEnded) return Refuse(reason, where + ": IDAT chunks are not consecutive");
            if (!state.seenPlte) return Refuse(reason, where + ": IDAT before PLTE");
            state.inIdat = true;
        } else if (IsType(chunk, "IEND")) {
            if (chunk.length != 0) return Refuse(reason, where + ": length is not 0");
        } else if (IsCritical(chunk) && !IsType(chunk, "PLTE")) {
            return Refuse(reason, where + ": an unknown critical chunk");
        } else if (!ReadKnownChunk(chunk, data, png, &state, reason)) {
            return false;
        }
        if (png->chunks.size() == kMostChunks)
            return Refuse(reason, where + ": more than " + std::to_string(kMostChunks) + " chunks");
        png->chunks.push_back(chunk);
        offset += 12 + uint64_t(chunk.length);
        if (IsType(chunk, "IEND")) break;
    }
    if (!state.seenPlte) return Refuse(reason, "an indexed PNG without PLTE");
    if (!state.inIdat && !state.idatEnded) return Refuse(reason, "no IDAT chunk");
    if (png->animated && state.frameControls != png->frameCount)
        return Refuse(reason, "acTL promises " + std::to_string(png->frameCount) + " frames, the file has " +
                                  std::to_string(state.frameControls) + " fcTL");
    if (state.fcTlOpen) return Refuse(reason, "the last fcTL has no fdAT");
    return true;
}

}  // namespace

bool WritePngWithTable(const ByteSource& source, const PngStructure& png, const ColorTable& table,
                       SafeFileWriter& out, std::string* reason)
{
    const uint32_t count = table.GetCount();
    const uint32_t allowed = 1u << png.bitDepth;
    if (count == 0) return Refuse(reason, "the table is empty");
    if (count > allowed)
        return Refuse(reason, "a " + std::to_string(png.bitDepth) + "-bit PNG holds at most " + std::to_string(allowed) +
                                  " colors; the table has " + std::to_string(count));
    if (png.chunks.empty() || !IsType(png.chunks.back(), "IEND")) return Refuse(reason, "the file was not read");

    uint8_t palette[3 * 256];
    for (uint32_t i = 0; i < count; ++i) {
        const ColorEntry* entry = table.GetEntry(i);
        palette[3 * i] = entry->red;
        palette[3 * i + 1] = entry->green;
        palette[3 * i + 2] = entry->blue;
    }
    // Alpha goes with its entry: a shorter table takes the first alphas, a
    // longer one has opaque entries past the old ones, which tRNS leaves out.
    const size_t alphaKept = png.alpha.size() < count ? png.alpha.size() : count;

    source.CopyTo(out, 0, sizeof kPngSignature);
    for (const PngChunk& chunk : png.chunks) {
        if (IsType(chunk, "PLTE")) {
            WritePngChunk(out, "PLTE", palette, 3 * count);
        } else if (IsType(chunk, "tRNS") && alphaKept != chunk.length) {
            if (alphaKept) WritePngChunk(out, "tRNS", png.alpha.data(), uint32_t(alphaKept));
        } else if (IsType(chunk, "hIST") && count != png.table.GetCount()) {
            // Counts for entries that changed number no longer mean anything.
        } else {
            source.CopyTo(out, chunk.offset, 12 + uint64_t(chunk.length));
        }
    }
    // Whatever follows IEND stays too.
    const PngChunk& end = png.chunks.back();
    const uint64_t afterEnd = end.offset + 12;
    if (afterEnd < source.Size()) source.CopyTo(out, afterEnd, source.Size() - afterEnd);
    return true;
}
