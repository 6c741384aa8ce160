// Palette files in the formats other tools trade them in, beside the RIFF
// .pal file of ColorTable: JASC-PAL text, GIMP .gpl, Adobe Color Table (.act),
// Paint.NET palettes (.txt), plain hex lists, Adobe Swatch Exchange (.ase)
// and the raw 15-bit BGR and 6-bit VGA colors of console and DOS tools. A
// file's format is told by its content; only the raw kinds, which have no
// marks of their own, also need a name to be told. Every reader is bounded and, on refusal, says why and leaves the
// table as it was.
#ifndef KORIN_PALETTE_PALETTE_FORMATS_H
#define KORIN_PALETTE_PALETTE_FORMATS_H

#include <cstdint>
#include <string>

#include "palette/color_table.h"

enum class PaletteFormat { Riff, Jasc, Gimp, Act, Hex, PaintNet, Bgr555, Vga, Ase };

// The word the command line uses: riff, jasc, gpl, act, hex, pdn, bgr555,
// vga, ase.
const char* PaletteFormatWord(PaletteFormat format);
bool PaletteFormatFromWord(const std::string& word, PaletteFormat* format);
// What a user calls it, for messages: "JASC-PAL palette", "hex list", ...
const char* PaletteFormatName(PaletteFormat format);
// The format a file name's extension stands for when writing: .pal RIFF,
// .gpl GIMP, .act Adobe Color Table, .hex and .txt hex list (.txt is a
// Paint.NET palette's name too; a hex list is what any tool reads back).
// False otherwise.
bool PaletteFormatForName(const std::string& path, PaletteFormat* format);
// The format a typed name decides on its own, whatever filter or default was
// chosen: an extension that names exactly one format (.gpl, .act, .hex,
// .ase). False for .pal (RIFF or JASC), .txt (hex list or Paint.NET) and
// every other name.
bool PaletteFormatNamedBy(const std::string& path, PaletteFormat* format);

// The most entries any reader takes, as in a RIFF file's 16-bit count.
const uint32_t kMaxPaletteEntries = 65535;
// Larger files are refused unread; the longest real palette is far smaller.
const uint64_t kMaxPaletteFileBytes = 16u << 20;

// Each reader takes a whole file's bytes. True with the file's colors in
// table (flags 0); false with a one-line reason, the table unchanged.
bool ReadJascPalette(const std::string& bytes, ColorTable* table, std::string* reason);
bool ReadGimpPalette(const std::string& bytes, ColorTable* table, std::string* reason);
bool ReadActPalette(const std::string& bytes, ColorTable* table, std::string* reason);
// Hex lists and Paint.NET palettes skip comment lines: ';' ones, and '#'
// ones that are no color (a '#' and one word much like a color is a typo).
bool ReadHexPalette(const std::string& bytes, ColorTable* table, std::string* reason);
// AARRGGBB a line; the alpha is not kept.
bool ReadPaintNetPalette(const std::string& bytes, ColorTable* table, std::string* reason);

// Tells the format by content (RIFF by its header, JASC-PAL and GIMP by their
// first line, a hex list or a Paint.NET palette by its lines, an Adobe Color
// Table by its size, an Adobe Swatch Exchange file by its signature; one of
// those that is also 768 or 772 bytes is an Adobe Color Table unless it
// reads whole as a swatch file) and reads the file; format (may be null)
// says which format it was.
bool ReadAnyPalette(const std::string& bytes, ColorTable* table, PaletteFormat* format,
                    std::string* reason);

// What the user said of a file's raw colors, and what a load made of them.
struct RawPaletteChoice {
    // The user named kind (Bgr555 or Vga) as the file's format: bytes that
    // fit both are read as kind, and the file is taken for raw colors
    // whatever its name or size (768 bytes of DAC values too). Bytes that fit
    // only one kind, or a marked format, are still read as what they are.
    bool named = false;
    PaletteFormat kind = PaletteFormat::Bgr555;
    // Set on a refusal because the bytes fit both kinds and none was named.
    bool undecided = false;
};
// The same from a file, read whole up to kMaxPaletteFileBytes. Where none
// of those formats fits, a file named .bin or .pal that is not plain text is
// read as raw BGR555 or VGA colors when its bytes fit exactly one of the two
// (a 768-byte file is an Adobe Color Table before that), and a PNG or GIF
// file as a picture of swatches (see image/swatch_palette.h). raw (may be
// null) says what the user named.
bool LoadAnyPalette(const char* path, ColorTable* table, PaletteFormat* format, std::string* reason,
                    RawPaletteChoice* raw = nullptr);

// False, with a reason that reads as a sentence after a capital, when the
// format cannot hold count colors ("an Adobe Color Table holds ...").
bool FormatHolds(PaletteFormat format, uint32_t count, std::string* reason);

// The file bytes of table in a text or ACT format (not RIFF); false with a
// reason when the format cannot hold the table.
bool EncodePalette(const ColorTable& table, PaletteFormat format, std::string* bytes,
                   std::string* reason);
// Writes table to path in format; a file of that name is untouched on false.
bool SavePalette(const ColorTable& table, PaletteFormat format, const char* path, std::string* reason);

#endif
