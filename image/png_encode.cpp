// A new indexed PNG from a picture's indices or packed rows: each row filtered and
// deflated (PngRowEncoder) into IDAT.
#include "image/png_file.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/png_bytes.h"
#include "image/png_row_encoder.h"
#include "platform/safe_file_writer.h"

namespace {

const uint32_t kLargestDimension = 0x7FFFFFFFu;
const size_t kLargestIdat = 0x7FFFFFFFu;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

void Pack(const uint8_t* indices, uint32_t width, uint32_t bitDepth, uint8_t* packed, size_t rowBytes)
{
    if (bitDepth == 8) {
        std::memcpy(packed, indices, width);
        return;
    }
    std::memset(packed, 0, rowBytes);
    const uint32_t mask = (1u << bitDepth) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t(x) * bitDepth;
        packed[bit / 8] = uint8_t(packed[bit / 8] | (indices[x] & mask) << (8 - bitDepth - bit % 8));
    }
}

// A row comes packed, or as indices (withIndices) that are packed here.
typedef std::function<void(uint32_t y, uint8_t* packed, uint8_t* indices)> RowSource;

bool WriteRows(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
               const std::vector<uint8_t>& alpha, bool withIndices, const RowSource& row, SafeFileWriter& out,
               std::string* reason, const PngEncoding& encoding)
{
    if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8)
        return Refuse(reason, "bit depth " + std::to_string(bitDepth) + " is not 1, 2, 4 or 8");
    if (width == 0 || height == 0 || width > kLargestDimension || height > kLargestDimension)
        return Refuse(reason, "width and height must be 1 to 2^31-1");
    const uint32_t allowed = 1u << bitDepth;
    if (table.GetCount() == 0) return Refuse(reason, "the table is empty");
    if (table.GetCount() > allowed)
        return Refuse(reason, "a " + std::to_string(bitDepth) + "-bit PNG holds at most " + std::to_string(allowed) +
                                  " colors; the table has " + std::to_string(table.GetCount()));

    // The packed row, and the indices of a row when they come so.
    const uint64_t rowBytes = PackedRowBytes(width, bitDepth);
    const uint64_t need = rowBytes + (withIndices ? width : 0);
    if (need > SIZE_MAX) return Refuse(reason, "rows too large for this machine");
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(need)]());
    if (!buffer) return Refuse(reason, "no memory for a row of " + std::to_string(width) + " pixels");
    uint8_t* packed = buffer.get();
    uint8_t* indices = withIndices ? packed + rowBytes : nullptr;

    std::string compressed;
    PngRowEncoder encoder([&](const uint8_t* bytes, size_t count) {
        compressed.append(reinterpret_cast<const char*>(bytes), count);
    }, encoding);
    if (!encoder.Start(rowBytes, reason)) return false;
    encoder.StartPass();
    for (uint32_t y = 0; y < height; ++y) {
        row(y, packed, indices);
        if (!encoder.AddRow(packed, size_t(rowBytes), reason)) return false;
    }
    if (!encoder.Finish(reason)) return false;

    out.Write(kPngSignature, sizeof kPngSignature);
    uint8_t header[13];
    PutBigEndian32(header, width);
    PutBigEndian32(header + 4, height);
    header[8] = uint8_t(bitDepth);
    header[9] = 3;
    header[10] = header[11] = header[12] = 0;
    WritePngChunk(out, "IHDR", header, sizeof header);
    uint8_t palette[3 * 256];
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        palette[3 * i] = table.GetEntry(i)->red;
        palette[3 * i + 1] = table.GetEntry(i)->green;
        palette[3 * i + 2] = table.GetEntry(i)->blue;
    }
    WritePngChunk(out, "PLTE", palette, 3 * table.GetCount());
    // tRNS leaves out the opaque entries at its end, and has none past the table.
    size_t alphaKept = alpha.size() < table.GetCount() ? alpha.size() : table.GetCount();
    while (alphaKept > 0 && alpha[alphaKept - 1] == 255) --alphaKept;
    if (alphaKept) WritePngChunk(out, "tRNS", alpha.data(), uint32_t(alphaKept));
    // One IDAT, unless the data outgrows the largest chunk there is.
    const uint8_t* data = reinterpret_cast<const uint8_t*>(compressed.data());
    for (size_t at = 0; at < compressed.size(); at += kLargestIdat) {
        const size_t left = compressed.size() - at;
        WritePngChunk(out, "IDAT", data + at, uint32_t(left < kLargestIdat ? left : kLargestIdat));
    }
    WritePngChunk(out, "IEND", nullptr, 0);
    return true;
}

}  // namespace

bool WriteIndexedPng(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
                     const std::function<void(uint32_t y, uint8_t* indices)>& row, SafeFileWriter& out,
                     std::string* reason, const PngEncoding& encoding)
{
    const size_t rowBytes = size_t(PackedRowBytes(width, bitDepth));
    return WriteRows(width, height, bitDepth, table, std::vector<uint8_t>(), true,
                     [&](uint32_t y, uint8_t* packed, uint8_t* indices) {
                         row(y, indices);
                         Pack(indices, width, bitDepth, packed, rowBytes);
                     },
                     out, reason, encoding);
}

bool WriteIndexedPngPacked(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
                           const std::vector<uint8_t>& alpha,
                           const std::function<void(uint32_t y, uint8_t* packed)>& row, SafeFileWriter& out,
                           std::string* reason, const PngEncoding& encoding)
{
    return WriteRows(width, height, bitDepth, table, alpha, false,
                     [&](uint32_t y, uint8_t* packed, uint8_t*) { row(y, packed); }, out, reason, encoding);
}
