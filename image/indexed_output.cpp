#include "image/indexed_output.h"

#include <algorithm>
#include <cstring>

#include "image/gif_lzw_encoder.h"
#include "image/png_file.h"
#include "palette/color_table.h"
#include "platform/platform.h"
#include "platform/safe_file_writer.h"

namespace {

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

void PutLittle(std::vector<uint8_t>& bytes, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

// Row y packed at bits per pixel, most significant bits first.
void Pack(const IndexedPicture& picture, uint32_t y, uint32_t bits, uint8_t* packed, size_t bytes)
{
    std::memset(packed, 0, bytes);
    const uint8_t* row = picture.indices.data() + size_t(y) * picture.width;
    for (uint32_t x = 0; x < picture.width; ++x) {
        const uint64_t bit = uint64_t(x) * bits;
        packed[bit / 8] = uint8_t(packed[bit / 8] | row[x] << (8 - bits - bit % 8));
    }
}

bool WriteBmp(const IndexedPicture& picture, const ColorTable& table, SafeFileWriter& out, const RowWait& waitForRow,
              std::string* reason)
{
    const uint32_t bits = IndexedBitsFor(ImageFileFormat::Bmp, table.GetCount());
    const uint32_t stride = uint32_t((uint64_t(picture.width) * bits + 31) / 32 * 4);
    const uint64_t imageSize = uint64_t(stride) * picture.height;
    const uint32_t offset = 14 + 40 + 4 * table.GetCount();
    if (offset + imageSize > 0xFFFFFFFFu) return Refuse(reason, "a BMP file holds at most 4 GiB");
    std::vector<uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    PutLittle(head, uint32_t(offset + imageSize), 4);
    PutLittle(head, 0, 4);
    PutLittle(head, offset, 4);
    PutLittle(head, 40, 4);
    PutLittle(head, picture.width, 4);
    PutLittle(head, picture.height, 4);
    PutLittle(head, 1, 2);
    PutLittle(head, bits, 2);
    PutLittle(head, BI_RGB, 4);
    PutLittle(head, uint32_t(imageSize), 4);
    PutLittle(head, 0, 4);
    PutLittle(head, 0, 4);
    PutLittle(head, table.GetCount(), 4);
    PutLittle(head, 0, 4);
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry& e = *table.GetEntry(i);
        const uint8_t quad[4] = {e.blue, e.green, e.red, 0};
        head.insert(head.end(), quad, quad + 4);
    }
    out.Write(head.data(), head.size());
    std::vector<uint8_t> row(stride);
    // The bottom row comes first: all of them, then.
    if (waitForRow && picture.height) waitForRow(picture.height - 1);
    for (uint32_t n = 0; n < picture.height; ++n) {
        Pack(picture, picture.height - 1 - n, bits, row.data(), row.size());
        out.Write(row.data(), row.size());
    }
    return true;
}

bool WriteGif(const IndexedPicture& picture, const ColorTable& table, SafeFileWriter& out, const RowWait& waitForRow,
              std::string* reason)
{
    if (picture.width > 65535 || picture.height > 65535)
        return Refuse(reason, "a GIF picture is at most 65535 pixels a side");
    const uint32_t bits = IndexedBitsFor(ImageFileFormat::Gif, table.GetCount());
    std::vector<uint8_t> head = {'G', 'I', 'F', '8', '9', 'a'};
    PutLittle(head, picture.width, 2);
    PutLittle(head, picture.height, 2);
    head.push_back(uint8_t(0x80 | 0x70 | (bits - 1)));  // a global table of 2^bits entries
    head.push_back(0);
    head.push_back(0);
    for (uint32_t i = 0; i < (1u << bits); ++i) {
        const ColorEntry* e = i < table.GetCount() ? table.GetEntry(i) : nullptr;
        head.push_back(e ? e->red : 0);
        head.push_back(e ? e->green : 0);
        head.push_back(e ? e->blue : 0);
    }
    if (picture.transparentEntry >= 0) {
        const uint8_t control[8] = {0x21, 0xF9, 4, 1, 0, 0, uint8_t(picture.transparentEntry), 0};
        head.insert(head.end(), control, control + 8);
    }
    head.push_back(0x2C);
    PutLittle(head, 0, 4);
    PutLittle(head, picture.width, 2);
    PutLittle(head, picture.height, 2);
    head.push_back(0);
    const uint8_t codeSize = uint8_t(bits < 2 ? 2 : bits);
    head.push_back(codeSize);
    out.Write(head.data(), head.size());
    GifLzwEncoder encoder(codeSize, [&out](const uint8_t* bytes, size_t count) { out.Write(bytes, count); });
    for (uint32_t y = 0; y < picture.height; ++y) {
        if (waitForRow) waitForRow(y);
        encoder.Add(picture.indices.data() + size_t(y) * picture.width, picture.width);
    }
    encoder.Finish();
    const uint8_t trailer = 0x3B;
    out.Write(&trailer, 1);
    return true;
}

}  // namespace

uint32_t IndexedBitsFor(ImageFileFormat format, uint32_t count)
{
    uint32_t bits = 1;
    while ((1u << bits) < count) bits *= 2;
    if (format == ImageFileFormat::Bmp && bits == 2) bits = 4;
    if (format == ImageFileFormat::Gif) {
        bits = 1;
        while ((1u << bits) < count) ++bits;
    }
    return bits;
}

bool WriteIndexedPicture(ImageFileFormat format, const IndexedPicture& picture, const ColorTable& table,
                         SafeFileWriter& out, std::string* reason, const RowWait& waitForRow)
{
    if (table.GetCount() == 0 || table.GetCount() > 256)
        return Refuse(reason, "a table of " + std::to_string(table.GetCount()) + " entries cannot be written");
    if (picture.indices.size() != size_t(picture.width) * picture.height)
        return Refuse(reason, "the picture's pixels are missing");
    switch (format) {
    case ImageFileFormat::Bmp: return WriteBmp(picture, table, out, waitForRow, reason);
    case ImageFileFormat::Gif: return WriteGif(picture, table, out, waitForRow, reason);
    case ImageFileFormat::Png: {
        const uint32_t bits = IndexedBitsFor(format, table.GetCount());
        std::vector<uint8_t> alpha(picture.alpha.begin(),
                                   picture.alpha.begin() + std::min<size_t>(picture.alpha.size(), table.GetCount()));
        const size_t bytes = size_t((uint64_t(picture.width) * bits + 7) / 8);
        return WriteIndexedPngPacked(picture.width, picture.height, bits, table, alpha,
                                     [&](uint32_t y, uint8_t* packed) {
                                         if (waitForRow) waitForRow(y);
                                         Pack(picture, y, bits, packed, bytes);
                                     },
                                     out, reason);
    }
    case ImageFileFormat::Unknown: break;
    }
    return Refuse(reason, "is not named .bmp, .png or .gif");
}
