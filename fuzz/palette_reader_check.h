// What every palette reader promises, checked on arbitrary bytes: a refused
// file leaves the table as it was; a read one is written in its own format
// and read back to the same colors, and detection by content finds it too.
#ifndef KORIN_FUZZ_PALETTE_READER_CHECK_H
#define KORIN_FUZZ_PALETTE_READER_CHECK_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "palette/palette_formats.h"

typedef bool (*PaletteReader)(const std::string& bytes, ColorTable* table, std::string* reason);

inline void Require(bool condition)
{
    if (!condition) std::abort();
}

inline bool SameColors(const ColorTable& a, const ColorTable& b)
{
    return a.GetCount() == b.GetCount() &&
           (a.GetCount() == 0 || std::memcmp(a.GetEntry(0), b.GetEntry(0), a.GetCount() * sizeof(ColorEntry)) == 0);
}

// detectable: the format is told by content alone (an Adobe Color Table is
// any file of its size, so other formats come first).
inline void CheckPaletteReader(const uint8_t* data, size_t size, PaletteReader read, PaletteFormat format,
                               bool detectable)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ColorTable table;
    table.Reset(1);
    table.SetColor(0, 1, 2, 3);
    std::string reason;
    if (!read(bytes, &table, &reason)) {
        Require(!reason.empty());
        Require(table.GetCount() == 1 && table.GetPackedColor(0) == PackColor(1, 2, 3));
        return;
    }
    Require(table.GetCount() <= kMaxPaletteEntries && uint64_t(table.GetCount()) <= size);

    // Paint.NET reads longer lists than it writes.
    if (!FormatHolds(format, table.GetCount(), &reason)) return;
    std::string written;
    Require(EncodePalette(table, format, &written, &reason));
    ColorTable back;
    Require(read(written, &back, &reason));
    Require(SameColors(table, back));

    if (detectable) {
        ColorTable found;
        PaletteFormat which = PaletteFormat::Riff;
        Require(ReadAnyPalette(bytes, &found, &which, &reason));
        Require(which == format && SameColors(table, found));
    }
}

#endif
