#include "image/bmp_normalize.h"

#include <cstring>
#include <new>

#include "image/row_layout.h"

namespace {

const size_t kFileHeaderBytes = 14;
const uint32_t kCoreHeaderBytes = 12;  // OS/2 1.x: 16-bit sizes, RGBTRIPLE table
const uint32_t kInfoHeaderBytes = 40;
const uint32_t kRgb = 0;
const uint32_t kRle8 = 1;
const uint32_t kRle4 = 2;
// The most bytes a file may hold between its color table and its pixels.
const uint64_t kMaxSkippedBytes = uint64_t(16) << 20;

uint16_t U16(const std::string& b, size_t at)
{
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

void Put16(std::string* b, uint16_t v)
{
    *b += char(v);
    *b += char(v >> 8);
}

void Put32(std::string* b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) *b += char(v >> (8 * i));
}

bool IsInfoHeaderFamily(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

const char* HeaderName(uint32_t size)
{
    switch (size) {
    case 12: return "OS/2 1.x";
    case 16:
    case 64: return "OS/2 2.x";
    case 40: return "BITMAPINFOHEADER";
    case 52: return "V2";
    case 56: return "V3";
    case 108: return "V4";
    case 124: return "V5";
    default: return "unknown";
    }
}

uint32_t DefaultEntries(uint16_t bitCount)
{
    return bitCount <= 8 ? uint32_t(1) << bitCount : 0;
}

std::string Position(uint64_t x, uint64_t y)
{
    return "row " + std::to_string(y) + " (from the bottom), column " + std::to_string(x);
}

// Decodes RLE8 or RLE4 data into bottom-up rows that start out all index 0.
// Pixels the codes skip (end of line, delta, early end) keep index 0. Runs
// that overshoot their row, as some encoders write them, lose only the
// pixels outside the picture.
class RleDecoder {
public:
    RleDecoder(const unsigned char* data, size_t size, bool fourBit, uint32_t width, uint32_t height,
               uint32_t stride, unsigned char* pixels)
        : data(data), size(size), fourBit(fourBit), width(width), height(height), stride(stride),
          pixels(pixels)
    {
    }

    bool Decode(std::string* reason)
    {
        uint64_t x = 0, y = 0;
        size_t at = 0;
        for (;;) {
            if (size - at < 2) {
                // No end mark, but nothing is missing when every row was drawn.
                if (y >= height || (y + 1 == height && x >= width)) return true;
                *reason = "its run-length data ends at " + Position(x, y) + ", before its end-of-bitmap mark";
                return false;
            }
            const unsigned count = data[at];
            const unsigned code = data[at + 1];
            at += 2;
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i)
                    Put(x + i, y, fourBit ? (i % 2 == 0 ? code >> 4 : code & 0x0F) : code);
                x += count;
                continue;
            }
            switch (code) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta: right and up
                if (size - at < 2) {
                    *reason = "its run-length data ends inside a delta code";
                    return false;
                }
                x += data[at];
                y += data[at + 1];
                at += 2;
                break;
            default: {  // literal pixels, padded to a 16-bit boundary
                const size_t bytes = fourBit ? (code + 1) / 2 : code;
                const size_t padded = bytes + (bytes & 1);
                if (size - at < padded) {
                    *reason = "its run-length data ends inside a run of literal pixels at " + Position(x, y);
                    return false;
                }
                for (unsigned i = 0; i < code; ++i) {
                    const unsigned char byte = data[at + (fourBit ? i / 2 : i)];
                    Put(x + i, y, fourBit ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
                }
                at += padded;
                x += code;
                break;
            }
            }
        }
    }

private:
    void Put(uint64_t x, uint64_t y, unsigned value)
    {
        if (x >= width || y >= height) return;
        unsigned char* row = pixels + size_t(y) * stride;
        if (!fourBit) {
            row[x] = (unsigned char)value;
        } else if (x % 2 == 0) {
            row[x / 2] = (unsigned char)((row[x / 2] & 0x0F) | value << 4);
        } else {
            row[x / 2] = (unsigned char)((row[x / 2] & 0xF0) | value);
        }
    }

    const unsigned char* data;
    size_t size;
    bool fourBit;
    uint32_t width;
    uint32_t height;
    uint32_t stride;
    unsigned char* pixels;
};

}  // namespace

bool ReadBmpVariant(const std::string& bytes, BmpVariant* variant, std::string* reason)
{
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        *reason = "is not a BMP file (it does not begin with BM)";
        return false;
    }
    if (bytes.size() < kFileHeaderBytes + 4) {
        *reason = "is a BMP file cut short inside its headers";
        return false;
    }
    BmpVariant v = {};
    v.headerSize = U32(bytes, kFileHeaderBytes);
    const size_t h = kFileHeaderBytes + 4;  // the fields after biSize
    const uint64_t headerEnd = kFileHeaderBytes + uint64_t(v.headerSize);
    if (v.headerSize == kCoreHeaderBytes) {
        if (bytes.size() < headerEnd) {
            *reason = "is a BMP file cut short inside its headers";
            return false;
        }
        v.width = U16(bytes, h);
        v.height = U16(bytes, h + 2);
        v.bitCount = U16(bytes, h + 6);
        v.compression = kRgb;
        v.entries = DefaultEntries(v.bitCount);
        // Some writers keep only the entries they use; the pixel offset tells.
        // An offset that leaves no entry at all is taken, as the editor takes
        // offsets inside the table, to mean the pixels follow the full table.
        const uint32_t offBits = U32(bytes, 10);
        const uint64_t room = offBits >= headerEnd ? (offBits - headerEnd) / 3 : 0;
        if (room > 0 && room < v.entries) v.entries = uint32_t(room);
    } else if (v.headerSize >= 16) {
        const bool full = v.headerSize >= kInfoHeaderBytes;
        if (bytes.size() < kFileHeaderBytes + (full ? kInfoHeaderBytes : 16)) {
            *reason = "is a BMP file cut short inside its headers";
            return false;
        }
        v.width = int32_t(U32(bytes, h));
        v.height = int32_t(U32(bytes, h + 4));
        v.bitCount = U16(bytes, h + 10);
        if (full) {
            v.compression = U32(bytes, h + 12);
            const uint32_t clrUsed = U32(bytes, h + 28);
            v.entries = clrUsed ? clrUsed : (v.bitCount < 16 ? uint32_t(1) << v.bitCount : 0);
        }
    }
    *variant = v;
    return true;
}

std::string DescribeBmpVariant(const BmpVariant& v)
{
    std::string text = "a " + std::to_string(v.headerSize) + "-byte (" + HeaderName(v.headerSize) +
                       ") header, " + std::to_string(v.bitCount) + " bits per pixel, ";
    switch (v.compression) {
    case 0: text += "uncompressed"; break;
    case 1: text += "RLE8-compressed"; break;
    case 2: text += "RLE4-compressed"; break;
    case 3: text += "with bit-field masks (BI_BITFIELDS)"; break;
    case 4: text += "holding a JPEG picture"; break;
    case 5: text += "holding a PNG picture"; break;
    case 6: text += "with alpha bit-field masks (BI_ALPHABITFIELDS)"; break;
    default: text += "compression " + std::to_string(v.compression); break;
    }
    if (v.height < 0) text += ", top-down";
    return text;
}

bool IsEditorForm(const BmpVariant& v)
{
    return v.headerSize == kInfoHeaderBytes && v.compression == kRgb;
}

bool CanNormalize(const BmpVariant& v, std::string* reason)
{
    if (v.headerSize != kCoreHeaderBytes && !IsInfoHeaderFamily(v.headerSize)) {
        if (v.headerSize == 16 || v.headerSize == 64)
            *reason = "has an OS/2 2.x info header (" + std::to_string(v.headerSize) +
                      " bytes), which this program does not convert";
        else
            *reason = "has an info header of " + std::to_string(v.headerSize) +
                      " bytes, which no BMP variant this program knows uses";
        return false;
    }
    switch (v.compression) {
    case kRgb:
    case kRle8:
    case kRle4:
        break;
    case 3:
    case 6:
        *reason = "uses bit-field masks (" + std::string(v.compression == 3 ? "BI_BITFIELDS" : "BI_ALPHABITFIELDS") +
                  "); only uncompressed, RLE8 and RLE4 files are converted";
        return false;
    case 4:
    case 5:
        *reason = std::string("holds a ") + (v.compression == 4 ? "JPEG" : "PNG") +
                  " picture, which this program does not decode";
        return false;
    default:
        *reason = "uses compression " + std::to_string(v.compression) + ", which this program does not know";
        return false;
    }
    const uint16_t b = v.bitCount;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32) {
        *reason = "has " + std::to_string(b) + " bits per pixel; only 1, 4, 8, 16, 24 and 32 are converted";
        return false;
    }
    if ((v.compression == kRle8 && b != 8) || (v.compression == kRle4 && b != 4)) {
        *reason = std::string("is ") + (v.compression == kRle8 ? "RLE8" : "RLE4") + "-compressed with " +
                  std::to_string(b) + " bits per pixel, which that compression does not allow";
        return false;
    }
    if (v.width <= 0 || v.height == 0) {
        *reason = "has a size of " + std::to_string(v.width) + " x " + std::to_string(v.height) + " pixels";
        return false;
    }
    if (v.compression != kRgb && v.height < 0) {
        *reason = "is a top-down picture with run-length compression, which the format does not allow";
        return false;
    }
    return true;
}

bool NormalizeInputLimit(const std::string& headers, uint64_t* limit, std::string* reason,
                         uint64_t maxPixelBytes)
{
    BmpVariant v;
    if (!ReadBmpVariant(headers, &v, reason) || !CanNormalize(v, reason)) return false;
    RowLayout layout;
    if (!ComputeRowLayout(v.width, v.height, v.bitCount, &layout)) {
        *reason = "its picture of " + std::to_string(v.width) + " x " + std::to_string(v.height) +
                  " pixels is too large for a BMP file";
        return false;
    }
    const uint64_t tableEnd =
        kFileHeaderBytes + uint64_t(v.headerSize) + uint64_t(v.entries) * (v.headerSize == kCoreHeaderBytes ? 3 : 4);
    const uint64_t offBits = kFileHeaderBytes + kInfoHeaderBytes + uint64_t(v.entries) * 4;
    if (offBits + layout.imageSize > 0xFFFFFFFFu) {
        *reason = "would not fit in a BMP file once uncompressed";
        return false;
    }
    if (v.compression != kRgb && layout.imageSize > maxPixelBytes) {
        *reason = "would take " + std::to_string(layout.imageSize) +
                  " bytes uncompressed, more than this program converts";
        return false;
    }
    const uint32_t fileOffBits = U32(headers, 10);
    const uint64_t pixelStart = fileOffBits > tableEnd ? fileOffBits : tableEnd;
    // What lies between table and pixels (a color profile at most) is dropped;
    // a header that puts the pixels far beyond would have it read for nothing.
    if (pixelStart - tableEnd > kMaxSkippedBytes) {
        *reason = "its pixel data starts " + std::to_string(pixelStart - tableEnd) +
                  " bytes after its color table, further than this program reads";
        return false;
    }
    // Run-length data spends at most two bytes on a pixel (a run of one),
    // and two on each row's end and on the bitmap's end; a run past a row's
    // end, as some encoders write, costs a row at most two more.
    const uint64_t rows = uint64_t(v.height < 0 ? -int64_t(v.height) : v.height);
    *limit = pixelStart + (v.compression == kRgb ? layout.imageSize : 2 * (uint64_t(v.width) + 2) * rows + 2);
    return true;
}

bool NormalizeBmp(const std::string& bytes, std::string* normalized, std::string* reason,
                  uint64_t maxPixelBytes)
{
    BmpVariant v;
    if (!ReadBmpVariant(bytes, &v, reason) || !CanNormalize(v, reason)) return false;

    const bool core = v.headerSize == kCoreHeaderBytes;
    const uint64_t tableStart = kFileHeaderBytes + uint64_t(v.headerSize);
    if (tableStart > bytes.size()) {
        *reason = "is a BMP file cut short inside its headers";
        return false;
    }
    const uint64_t tableEnd = tableStart + uint64_t(v.entries) * (core ? 3 : 4);
    if (tableEnd > bytes.size()) {
        *reason = "its color table of " + std::to_string(v.entries) + " entries runs past the end of the file";
        return false;
    }
    RowLayout layout;
    if (!ComputeRowLayout(v.width, v.height, v.bitCount, &layout)) {
        *reason = "its picture of " + std::to_string(v.width) + " x " + std::to_string(v.height) +
                  " pixels is too large for a BMP file";
        return false;
    }
    const uint64_t tableBytes = uint64_t(v.entries) * 4;
    const uint64_t offBits = kFileHeaderBytes + kInfoHeaderBytes + tableBytes;
    if (offBits + layout.imageSize > 0xFFFFFFFFu) {
        *reason = "would not fit in a BMP file once uncompressed";
        return false;
    }
    const uint32_t fileOffBits = U32(bytes, 10);
    const uint64_t pixelStart = fileOffBits > tableEnd ? fileOffBits : tableEnd;
    const uint32_t rows = uint32_t(v.height < 0 ? -int64_t(v.height) : v.height);

    if (v.compression == kRgb) {
        if (pixelStart > bytes.size() || bytes.size() - pixelStart < layout.imageSize) {
            const uint64_t held = pixelStart < bytes.size() ? bytes.size() - pixelStart : 0;
            *reason = "its pixel data is cut short: " + std::to_string(held) + " of " +
                      std::to_string(layout.imageSize) + " bytes";
            return false;
        }
    } else if (layout.imageSize > maxPixelBytes) {
        *reason = "would take " + std::to_string(layout.imageSize) +
                  " bytes uncompressed, more than this program converts";
        return false;
    } else if (pixelStart > bytes.size()) {
        *reason = "its pixel data starts past the end of the file";
        return false;
    }

    std::string out;
    try {
        out.reserve(size_t(offBits + layout.imageSize));
    } catch (const std::bad_alloc&) {
        *reason = "needs more memory than is free";
        return false;
    }
    out += "BM";
    Put32(&out, uint32_t(offBits + layout.imageSize));
    out.append(bytes, 6, 4);  // the reserved words, kept as the editor keeps them
    Put32(&out, uint32_t(offBits));

    // Outside OS/2 headers the entry count follows biClrUsed as the file has it.
    const uint32_t clrUsed = core ? (v.entries == DefaultEntries(v.bitCount) ? 0 : v.entries)
                                  : U32(bytes, kFileHeaderBytes + 32);
    const uint32_t clrImportant = core ? 0 : U32(bytes, kFileHeaderBytes + 36);
    Put32(&out, kInfoHeaderBytes);
    Put32(&out, uint32_t(v.width));
    Put32(&out, rows);
    Put16(&out, 1);
    Put16(&out, v.bitCount);
    Put32(&out, kRgb);
    Put32(&out, layout.imageSize);
    Put32(&out, core ? 0 : U32(bytes, kFileHeaderBytes + 24));
    Put32(&out, core ? 0 : U32(bytes, kFileHeaderBytes + 28));
    Put32(&out, clrUsed);
    Put32(&out, clrImportant <= v.entries ? clrImportant : 0);

    if (core) {
        for (uint32_t i = 0; i < v.entries; ++i) {
            out.append(bytes, size_t(tableStart + 3 * uint64_t(i)), 3);
            out += '\0';
        }
    } else {
        out.append(bytes, size_t(tableStart), size_t(tableBytes));
    }

    if (v.compression == kRgb) {
        // Top-down rows are turned bottom-up; the picture stays the right way up.
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t from = v.height < 0 ? rows - 1 - r : r;
            out.append(bytes, size_t(pixelStart + uint64_t(from) * layout.stride), layout.stride);
        }
    } else {
        out.resize(size_t(offBits + layout.imageSize), '\0');
        RleDecoder decoder(reinterpret_cast<const unsigned char*>(bytes.data()) + pixelStart,
                           size_t(bytes.size() - pixelStart), v.compression == kRle4, uint32_t(v.width),
                           rows, layout.stride, reinterpret_cast<unsigned char*>(&out[size_t(offBits)]));
        if (!decoder.Decode(reason)) return false;
    }
    normalized->swap(out);
    return true;
}
