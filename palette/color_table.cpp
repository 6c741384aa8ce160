#include "palette/color_table.h"

#include <cstring>
#include <fstream>
#include <new>
#include <memory>
#include <utility>

#include "platform/safe_file_writer.h"
#include "platform/stream_size.h"

namespace {

const uint16_t kPaletteVersion = 0x0300;
const uint32_t kRiffHeaderBytes = 8;    // "RIFF" and the chunk size
const uint32_t kBodyHeaderBytes = 16;   // "PAL ", "data", data size, version, count
const uint32_t kMaxFileEntries = 0xFFFF;

uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

void PutU32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

void PutU16(unsigned char* p, uint16_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

}  // namespace

ColorTable::ColorTable() : entries(nullptr), count(0) {}

ColorTable::ColorTable(const ColorTable& other) : entries(nullptr), count(0)
{
    Assign(other);
}

ColorTable::~ColorTable()
{
    delete[] entries;
}

bool ColorTable::Reset(uint32_t n)
{
    delete[] entries;
    entries = nullptr;
    count = 0;
    if (n == 0) return true;
    entries = new (std::nothrow) ColorEntry[n]();
    if (!entries) return false;
    count = n;
    return true;
}

bool ColorTable::Assign(const ColorTable& other)
{
    if (&other == this) return true;
    ColorEntry* copy = nullptr;
    if (other.count) {
        copy = new (std::nothrow) ColorEntry[other.count];
        if (!copy) return false;
        std::memcpy(copy, other.entries, other.count * sizeof(ColorEntry));
    }
    delete[] entries;
    entries = copy;
    count = other.count;
    return true;
}

bool ColorTable::Resize(uint32_t n)
{
    if (n == count) return true;
    if (n == 0) return Reset(0);
    ColorEntry* resized = new (std::nothrow) ColorEntry[n]();
    if (!resized) return false;
    if (count) std::memcpy(resized, entries, (n < count ? n : count) * sizeof(ColorEntry));
    delete[] entries;
    entries = resized;
    count = n;
    return true;
}

void ColorTable::Swap(ColorTable& other)
{
    std::swap(entries, other.entries);
    std::swap(count, other.count);
}

bool ColorTable::SnapToDepth(int bits, uint32_t first, uint32_t last)
{
    if (!IsSnapDepth(bits) || first > last || last >= count) return false;
    for (uint32_t i = first; i <= last; ++i) {
        entries[i].red = SnapChannel(entries[i].red, bits);
        entries[i].green = SnapChannel(entries[i].green, bits);
        entries[i].blue = SnapChannel(entries[i].blue, bits);
    }
    return true;
}

uint32_t ColorTable::GetPackedColor(uint32_t i) const
{
    if (i >= count) return 0;
    return PackColor(entries[i].red, entries[i].green, entries[i].blue);
}

bool ColorTable::SetColor(uint32_t i, uint8_t red, uint8_t green, uint8_t blue)
{
    if (i >= count) return false;
    entries[i].red = red;
    entries[i].green = green;
    entries[i].blue = blue;
    return true;
}

bool ColorTable::LoadRiffPalette(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    return ReadRiffPalette(in);
}

bool ColorTable::ReadRiffPalette(std::istream& in)
{
    unsigned char header[kRiffHeaderBytes] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::memcmp(header, "RIFF", 4) != 0) return false;
    uint32_t chunkSize = ReadU32(header + 4);
    if (chunkSize == 0) return false;

    // Real files declare chunk sizes far beyond their length; only what the
    // file holds is read, and the entries must lie within it.
    uint64_t available = BytesRemaining(in);
    uint64_t bodySize = chunkSize < available ? chunkSize : available;
    if (bodySize < kBodyHeaderBytes) return false;

    std::unique_ptr<unsigned char[]> body(new (std::nothrow) unsigned char[size_t(bodySize)]);
    if (!body) return false;
    in.read(reinterpret_cast<char*>(body.get()), std::streamsize(bodySize));
    if (uint64_t(in.gcount()) != bodySize) return false;

    const unsigned char* p = body.get();
    if (std::memcmp(p, "PAL ", 4) != 0 || std::memcmp(p + 4, "data", 4) != 0) return false;
    uint32_t dataSize = ReadU32(p + 8);
    if (dataSize == 0) return false;
    if (ReadU16(p + 12) != kPaletteVersion) return false;
    uint16_t n = ReadU16(p + 14);
    if (n != uint32_t(dataSize - 4) >> 2) return false;
    if (kBodyHeaderBytes + uint64_t(n) * sizeof(ColorEntry) > bodySize) return false;

    ColorTable loaded;
    if (!loaded.Reset(n)) return false;
    if (n) std::memcpy(loaded.entries, p + kBodyHeaderBytes, n * sizeof(ColorEntry));
    std::swap(entries, loaded.entries);
    std::swap(count, loaded.count);
    return true;
}

bool ColorTable::SaveRiffPalette(const char* path) const
{
    // The count field is 16 bits wide: a larger table cannot be stored faithfully.
    if (count > kMaxFileEntries) return false;
    uint32_t blockSize = 4 + 4 * count;
    size_t fileSize = kRiffHeaderBytes + 12 + blockSize;
    std::unique_ptr<unsigned char[]> file(new (std::nothrow) unsigned char[fileSize]);
    if (!file) return false;
    unsigned char* p = file.get();
    std::memcpy(p, "RIFF", 4);
    PutU32(p + 4, blockSize + 12);
    std::memcpy(p + 8, "PAL data", 8);
    PutU32(p + 16, blockSize);
    PutU16(p + 20, kPaletteVersion);
    PutU16(p + 22, uint16_t(count));
    if (count) std::memcpy(p + 24, entries, count * sizeof(ColorEntry));

    SafeFileWriter writer(path);
    if (!writer.IsOpen()) return false;
    writer.Write(p, fileSize);
    return writer.Commit();
}
