#include "tests/support/png_bytes.h"

#include <zlib.h>

std::string BigEndian32(uint32_t value)
{
    return std::string{char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string ChunkBytes(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    return BigEndian32(uint32_t(data.size())) + body + BigEndian32(uint32_t(crc));
}

std::string AssemblePng(const std::vector<PngPart>& parts)
{
    std::string file("\x89PNG\r\n\x1A\n", 8);
    for (const PngPart& part : parts) file += ChunkBytes(part.type, part.data);
    return file;
}

std::string IhdrData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace)
{
    return BigEndian32(width) + BigEndian32(height) +
           std::string{char(bitDepth), char(colorType), 0, 0, char(interlace)};
}

std::string CompressedRows(const Rows& rows, uint32_t bitDepth)
{
    std::string raw;
    for (const std::vector<uint8_t>& row : rows) {
        std::string packed((row.size() * bitDepth + 7) / 8, '\0');
        for (size_t x = 0; x < row.size(); ++x) {
            const size_t bit = x * bitDepth;
            packed[bit / 8] = char(uint8_t(packed[bit / 8]) | row[x] << (8 - bitDepth - bit % 8));
        }
        raw += '\0' + packed;
    }
    return Deflate(raw);
}

std::string Deflate(const std::string& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    out.resize(size);
    return out;
}

std::string PaletteData(uint32_t entries)
{
    std::string data;
    for (uint32_t i = 0; i < entries; ++i) data += std::string{char(i * 7 + 1), char(i * 13 + 2), char(255 - i)};
    return data;
}

std::string TableBytes(const ColorTable& table)
{
    std::string bytes;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* entry = table.GetEntry(i);
        bytes += std::string{char(entry->red), char(entry->green), char(entry->blue)};
    }
    return bytes;
}

std::vector<PngPart> SplitPng(const std::string& file)
{
    std::vector<PngPart> parts;
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(file.data()) + at;
        const size_t length = size_t(p[0]) << 24 | size_t(p[1]) << 16 | size_t(p[2]) << 8 | p[3];
        parts.push_back({file.substr(at + 4, 4), file.substr(at, 12 + length)});
        at += 12 + length;
        if (parts.back().type == "IEND") break;
    }
    if (at < file.size()) parts.push_back({"tail", file.substr(at)});
    return parts;
}
