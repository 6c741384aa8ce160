// PNG files put together chunk by chunk, so that tests can make layouts the
// encoder never writes (APNG frames, extra chunks, broken files), and a chunk
// lister of their own to compare files with.
#ifndef KORIN_TESTS_PNG_BYTES_H
#define KORIN_TESTS_PNG_BYTES_H

#include <cstdint>
#include <string>
#include <vector>

#include "palette/color_table.h"

typedef std::vector<std::vector<uint8_t>> Rows;  // one index per pixel

struct PngPart {
    std::string type;
    std::string data;
    bool operator==(const PngPart& other) const { return type == other.type && data == other.data; }
};

std::string BigEndian32(uint32_t value);
// Length, type, data and CRC.
std::string ChunkBytes(const std::string& type, const std::string& data);
// Signature and the parts as chunks.
std::string AssemblePng(const std::vector<PngPart>& parts);
std::string IhdrData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace = 0);
// zlib's compress at its default level.
std::string Deflate(const std::string& raw);
// Rows of indices packed at bitDepth, each after filter byte 0, deflated.
std::string CompressedRows(const Rows& rows, uint32_t bitDepth);
// Entries of a pattern, 3 bytes each, as in PLTE.
std::string PaletteData(uint32_t entries);
// A table's colors as PLTE holds them.
std::string TableBytes(const ColorTable& table);

// The chunks of a well-formed file as found by walking it: type and the
// chunk's bytes (length to CRC); trailing bytes after IEND as type "tail".
std::vector<PngPart> SplitPng(const std::string& file);

#endif
