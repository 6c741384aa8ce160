#include "image/png_truecolor.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <zlib.h>

#include "image/png_bytes.h"
#include "image/png_file.h"

namespace {

const uint32_t kLargest = 0x7FFFFFFFu;
const size_t kBlock = 64 * 1024;
const uint64_t kLargestInflateRatio = 1032;  // deflate's most bytes out per byte in
const size_t kMostChunks = 1000000;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

uint32_t Channels(uint8_t colorType)
{
    return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
}

bool DepthAllowed(uint8_t colorType, uint8_t depth)
{
    if (colorType == 0) return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    return depth == 8 || depth == 16;
}

bool ChunkCrcMatches(const ByteSource& source, uint64_t offset, uint32_t length, uint32_t stored)
{
    uint8_t block[4096];
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t at = offset + 4;  // the type and the data
    uint64_t left = uint64_t(length) + 4;
    while (left > 0) {
        const size_t take = left < sizeof block ? size_t(left) : sizeof block;
        if (!source.ReadAt(at, block, take)) return false;
        crc = crc32(crc, block, uInt(take));
        at += take;
        left -= take;
    }
    return uint32_t(crc) == stored;
}

struct Pass {
    uint32_t x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const Pass kWhole = {0, 0, 1, 1};

uint32_t Span(uint32_t size, uint32_t start, uint32_t step)
{
    return size > start ? (size - start + step - 1) / step : 0;
}

// The IDAT data inflated into exactly the bytes asked for.
class Inflater {
public:
    Inflater(const ByteSource& source, const TruecolorPng& png) : source(source), png(png), chunk(0), used(0), ready(false)
    {
        std::memset(&stream, 0, sizeof stream);
    }
    ~Inflater()
    {
        if (ready) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool Read(uint8_t* out, size_t count, std::string* reason)
    {
        if (!ready) {
            if (inflateInit(&stream) != Z_OK) return Refuse(reason, "IDAT: the inflater cannot start");
            ready = true;
        }
        stream.next_out = out;
        stream.avail_out = uInt(count);
        while (stream.avail_out > 0) {
            if (stream.avail_in == 0 && !Refill(reason)) return false;
            const int result = inflate(&stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END && stream.avail_out > 0)
                return Refuse(reason, "IDAT: the data ends before the image does");
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                return Refuse(reason, "IDAT: corrupt compressed data");
        }
        return true;
    }

private:
    bool Refill(std::string* reason)
    {
        while (chunk < png.data.size() && used == png.data[chunk].second) {
            ++chunk;
            used = 0;
        }
        if (chunk == png.data.size()) return Refuse(reason, "IDAT: the data ends before the image does");
        const uint32_t left = png.data[chunk].second - used;
        const size_t take = left < kBlock ? left : kBlock;
        if (!source.ReadAt(png.data[chunk].first + used, input, take)) return Refuse(reason, "IDAT: cannot be read");
        used += uint32_t(take);
        stream.next_in = input;
        stream.avail_in = uInt(take);
        return true;
    }

    const ByteSource& source;
    const TruecolorPng& png;
    size_t chunk;
    uint32_t used;
    z_stream stream;
    bool ready;
    uint8_t input[kBlock];
};

void Unfilter(uint8_t* row, const uint8_t* previous, size_t count, size_t bpp, uint8_t type)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t left = i >= bpp ? row[i - bpp] : 0;
        const uint8_t above = previous[i];
        const uint8_t corner = i >= bpp ? previous[i - bpp] : 0;
        switch (type) {
        case 1: row[i] = uint8_t(row[i] + left); break;
        case 2: row[i] = uint8_t(row[i] + above); break;
        case 3: row[i] = uint8_t(row[i] + (left + above) / 2); break;
        case 4: row[i] = uint8_t(row[i] + PaethPredictor(left, above, corner)); break;
        default: break;
        }
    }
}

// Sample s of a stored row, at its own depth.
uint32_t Sample(const uint8_t* packed, uint64_t s, uint32_t depth)
{
    if (depth == 16) return uint32_t(packed[2 * s]) << 8 | packed[2 * s + 1];
    if (depth == 8) return packed[s];
    const uint64_t bit = s * depth;
    return packed[bit / 8] >> (8 - depth - bit % 8) & ((1u << depth) - 1);
}

uint8_t To8(uint32_t value, uint32_t depth)
{
    if (depth == 16) return uint8_t((value * 255 + 32767) / 65535);
    return uint8_t(value * 255 / ((1u << depth) - 1));
}

// One stored row of width pixels to RGBA at xs = x0 + i * dx.
void Expand(const TruecolorPng& png, const uint8_t* packed, uint32_t width, uint8_t* rgba, uint32_t x0, uint32_t dx)
{
    const uint32_t channels = Channels(png.colorType), depth = png.bitDepth;
    for (uint32_t i = 0; i < width; ++i) {
        uint32_t raw[4] = {0, 0, 0, 0};
        for (uint32_t c = 0; c < channels; ++c) raw[c] = Sample(packed, uint64_t(i) * channels + c, depth);
        uint8_t* out = rgba + 4 * (size_t(x0) + size_t(i) * dx);
        if (png.colorType == 0 || png.colorType == 4) {
            out[0] = out[1] = out[2] = To8(raw[0], depth);
            out[3] = png.colorType == 4 ? To8(raw[1], depth) : (png.hasKey && raw[0] == png.key[0] ? 0 : 255);
        } else {
            for (int c = 0; c < 3; ++c) out[c] = To8(raw[c], depth);
            out[3] = png.colorType == 6 ? To8(raw[3], depth)
                     : (png.hasKey && raw[0] == png.key[0] && raw[1] == png.key[1] && raw[2] == png.key[2] ? 0 : 255);
        }
    }
}

}  // namespace

bool ReadTruecolorPng(const ByteSource& source, TruecolorPng* png, std::string* reason)
{
    *png = TruecolorPng();
    uint8_t signature[8];
    if (!source.ReadAt(0, signature, 8) || std::memcmp(signature, kPngSignature, 8) != 0)
        return Refuse(reason, "not a PNG file: the signature is missing");
    uint64_t offset = 8;
    bool seenHeader = false, idatEnded = false, seenTrns = false;
    size_t chunks = 0;
    for (;; ++chunks) {
        uint8_t head[8];
        if (!source.ReadAt(offset, head, 8))
            return Refuse(reason, "the file ends at offset " + std::to_string(offset) + " before IEND");
        const uint32_t length = ReadBigEndian32(head);
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        const std::string where = type + " chunk at offset " + std::to_string(offset);
        if (length > kLargest || source.Size() - offset - 8 < uint64_t(length) + 4)
            return Refuse(reason, where + ": truncated (the file ends inside it)");
        uint8_t stored[4];
        if (!source.ReadAt(offset + 8 + length, stored, 4)) return Refuse(reason, where + ": cannot be read");
        if (!ChunkCrcMatches(source, offset, length, ReadBigEndian32(stored))) return Refuse(reason, where + ": CRC mismatch");
        if (chunks == kMostChunks) return Refuse(reason, where + ": too many chunks");
        if ((type == "IHDR") == seenHeader) return Refuse(reason, where + ": IHDR is not the first chunk, or not the only one");
        if (!png->data.empty() && type != "IDAT") idatEnded = true;
        if (type == "IHDR") {
            uint8_t h[13];
            if (length != 13 || !source.ReadAt(offset + 8, h, 13)) return Refuse(reason, where + ": length is not 13");
            png->width = ReadBigEndian32(h);
            png->height = ReadBigEndian32(h + 4);
            png->bitDepth = h[8];
            png->colorType = h[9];
            png->interlace = h[12];
            if (png->width == 0 || png->width > kLargest || png->height == 0 || png->height > kLargest)
                return Refuse(reason, "IHDR: width or height is 0 or over 2^31-1");
            if (png->colorType == 3) return Refuse(reason, "an indexed PNG (read as one)");
            if (png->colorType != 0 && png->colorType != 2 && png->colorType != 4 && png->colorType != 6)
                return Refuse(reason, "IHDR: unknown color type " + std::to_string(png->colorType));
            if (!DepthAllowed(png->colorType, png->bitDepth))
                return Refuse(reason, "IHDR: bit depth " + std::to_string(png->bitDepth) + " is not allowed for color type " +
                                          std::to_string(png->colorType));
            if (h[10] != 0 || h[11] != 0 || h[12] > 1) return Refuse(reason, "IHDR: unknown compression, filter or interlace method");
            seenHeader = true;
        } else if (type == "IDAT") {
            if (idatEnded) return Refuse(reason, where + ": IDAT chunks are not consecutive");
            png->data.push_back({offset + 8, length});
        } else if (type == "tRNS") {
            const uint32_t want = png->colorType == 0 ? 2 : 6;
            uint8_t t[6];
            if (seenTrns || !png->data.empty() || (png->colorType != 0 && png->colorType != 2))
                return Refuse(reason, where + ": tRNS must come once, before IDAT, in a picture without alpha");
            if (length != want || !source.ReadAt(offset + 8, t, want)) return Refuse(reason, where + ": wrong length");
            for (uint32_t i = 0; i < want / 2; ++i) png->key[i] = uint16_t(t[2 * i] << 8 | t[2 * i + 1]);
            png->hasKey = seenTrns = true;
        } else if (type == "IEND") {
            break;
        } else if ((head[4] & 0x20) == 0 && type != "PLTE") {
            return Refuse(reason, where + ": an unknown critical chunk");
        }
        offset += 12 + uint64_t(length);
    }
    if (png->data.empty()) return Refuse(reason, "no IDAT chunk");
    // What inflating may take is bounded by the file: refuse a promise it cannot keep.
    const uint32_t bits = Channels(png->colorType) * png->bitDepth;
    uint64_t promised = 0, stored = 0;
    const int passes = png->interlace ? 7 : 1;
    for (int p = 0; p < passes; ++p) {
        const Pass& pass = png->interlace ? kAdam7[p] : kWhole;
        const uint32_t w = Span(png->width, pass.x0, pass.dx), h = Span(png->height, pass.y0, pass.dy);
        if (w && h) promised += uint64_t(h) * (PackedRowBytes(w, bits) + 1);
    }
    for (const auto& d : png->data) stored += d.second;
    if (promised > stored * kLargestInflateRatio + 1024)
        return Refuse(reason, "IDAT: " + std::to_string(stored) + " compressed bytes cannot hold the " +
                                  std::to_string(promised) + " bytes of a " + std::to_string(png->width) + "x" +
                                  std::to_string(png->height) + " image");
    return true;
}

bool DecodeTruecolorPng(const ByteSource& source, const TruecolorPng& png, const RgbaRow& row, std::string* reason,
                        uint64_t bandBytes)
{
    const uint32_t bits = Channels(png.colorType) * png.bitDepth;
    const size_t bpp = bits < 8 ? 1 : bits / 8;
    const uint64_t rowBytes = PackedRowBytes(png.width, bits);
    const uint64_t rgbaBytes = uint64_t(png.width) * 4;
    // An interlaced picture's rows are whole only once its last pass is in:
    // it is inflated once for each band of rows that fits the bound, so
    // that memory stays a band whatever the picture's height.
    const uint64_t bandRows =
        png.interlace ? std::max<uint64_t>(1, std::min<uint64_t>(png.height, bandBytes / rgbaBytes)) : 1;
    const uint64_t band = rgbaBytes * bandRows;
    if (2 * (rowBytes + 1) + band > SIZE_MAX) return Refuse(reason, "IDAT: the picture is too large for this machine");
    std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[size_t(2 * (rowBytes + 1))]);
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[size_t(band)]);
    if (!rows || !out) return Refuse(reason, "IDAT: no memory for the rows of a " + std::to_string(png.width) + "-pixel picture");
    uint8_t* current = rows.get();
    uint8_t* previous = current + rowBytes + 1;
    if (!png.interlace) {
        Inflater inflater(source, png);
        const size_t bytes = size_t(rowBytes);
        std::memset(previous, 0, bytes + 1);
        for (uint32_t y = 0; y < png.height; ++y) {
            if (!inflater.Read(current, bytes + 1, reason)) return false;
            if (current[0] > 4) return Refuse(reason, "IDAT: row " + std::to_string(y) + " has unknown filter type " +
                                                          std::to_string(current[0]));
            Unfilter(current + 1, previous + 1, bytes, bpp, current[0]);
            Expand(png, current + 1, png.width, out.get(), 0, 1);
            if (!row(y, out.get(), reason)) return false;
            std::swap(current, previous);
        }
        return true;
    }
    for (uint64_t first = 0; first < png.height; first += bandRows) {
        const uint64_t end = std::min<uint64_t>(png.height, first + bandRows);
        Inflater inflater(source, png);
        for (int p = 0; p < 7; ++p) {
            const Pass& pass = kAdam7[p];
            const uint32_t w = Span(png.width, pass.x0, pass.dx), h = Span(png.height, pass.y0, pass.dy);
            if (!w || !h) continue;
            const size_t bytes = size_t(PackedRowBytes(w, bits));
            std::memset(previous, 0, bytes + 1);
            for (uint32_t y = 0; y < h; ++y) {
                const uint64_t at = pass.y0 + uint64_t(y) * pass.dy;
                // Nothing after the band in the last pass is needed by this band.
                if (p == 6 && at >= end) break;
                if (!inflater.Read(current, bytes + 1, reason)) return false;
                if (current[0] > 4) return Refuse(reason, "IDAT: row " + std::to_string(y) + " has unknown filter type " +
                                                              std::to_string(current[0]));
                // Rows past the band are read only to reach the next pass; rows before it are
                // unfiltered all the same, the next row's filter may need them.
                if (at < end) {
                    Unfilter(current + 1, previous + 1, bytes, bpp, current[0]);
                    if (at >= first) Expand(png, current + 1, w, out.get() + rgbaBytes * (at - first), pass.x0, pass.dx);
                    std::swap(current, previous);
                }
            }
        }
        for (uint64_t y = first; y < end; ++y)
            if (!row(uint32_t(y), out.get() + rgbaBytes * (y - first), reason)) return false;
    }
    return true;
}
