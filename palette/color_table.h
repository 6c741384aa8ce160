// The palette the user edits: a growable array of color entries, and its RIFF
// palette file (.pal).
#ifndef KORIN_PALETTE_COLOR_TABLE_H
#define KORIN_PALETTE_COLOR_TABLE_H

#include <cstdint>
#include <istream>

#include "color/channel_depth.h"

// One entry in PALETTEENTRY order, which is also the order of a .pal file.
struct ColorEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;  // kept and written back, never interpreted
};
static_assert(sizeof(ColorEntry) == 4, "a color entry is 4 bytes");

// PALETTERGB(red, green, blue): a COLORREF with the palette-relative marker byte.
inline uint32_t PackColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return 0x02000000u | uint32_t(blue) << 16 | uint32_t(green) << 8 | red;
}

class ColorTable {
public:
    ColorTable();
    ColorTable(const ColorTable& other);
    ~ColorTable();
    ColorTable& operator=(const ColorTable&) = delete;

    // Discards every entry, then holds n all-zero entries. Returns false, leaving
    // the table empty, when memory for them cannot be had.
    bool Reset(uint32_t n);
    // Becomes an exact copy of other. Returns false, unchanged, without memory.
    bool Assign(const ColorTable& other);
    // Keeps the first entries; entries added at the end are all zero.
    bool Resize(uint32_t n);
    // Exchanges the entries of the two tables; never fails.
    void Swap(ColorTable& other);

    uint32_t GetCount() const { return count; }
    // No check of i: callers keep it below GetCount().
    ColorEntry* GetEntry(uint32_t i) { return entries + i; }
    const ColorEntry* GetEntry(uint32_t i) const { return entries + i; }
    // 0 for an index past the end, else the packed color of entry i.
    uint32_t GetPackedColor(uint32_t i) const;
    // Writes red, green and blue of entry i, keeping its flags.
    bool SetColor(uint32_t i, uint8_t red, uint8_t green, uint8_t blue);
    // Rounds every channel of entries first to last to what a display with
    // bits (3 to 6) bits per channel shows; flags, count and order stay.
    // False, unchanged, for another depth or a range outside the table.
    bool SnapToDepth(int bits, uint32_t first, uint32_t last);
    bool SnapToDepth(int bits) { return count == 0 ? IsSnapDepth(bits) : SnapToDepth(bits, 0, count - 1); }

    // Replaces the table with the file's entries; on false the table is unchanged.
    bool LoadRiffPalette(const char* path);
    // The same from any stream holding a .pal file's bytes from its start.
    bool ReadRiffPalette(std::istream& in);
    // True when the whole file was written; on false a file of that name is untouched.
    bool SaveRiffPalette(const char* path) const;

private:
    ColorEntry* entries;  // null exactly when count is 0
    uint32_t count;
};

#endif
