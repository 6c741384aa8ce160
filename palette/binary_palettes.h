// Palette files that are bytes rather than text, beside the Adobe Color
// Table: the colors of console and DOS toolchains (15-bit BGR words, 6-bit
// VGA DAC triplets) and Adobe Swatch Exchange (.ase) files. Readers are
// bounded and leave the table as it was when they refuse.
#ifndef KORIN_PALETTE_BINARY_PALETTES_H
#define KORIN_PALETTE_BINARY_PALETTES_H

#include <cstdint>
#include <string>
#include <vector>

#include "palette/color_table.h"

// A DAC or a console's color memory holds 256 colors; so do these files.
const uint32_t kMaxRawPaletteColors = 256;

// Little-endian 16-bit words, red in bits 0-4, green 5-9, blue 10-14, bit 15
// clear; each channel widened from 5 bits by replication.
bool ReadBgr555Palette(const std::string& bytes, ColorTable* table, std::string* reason);
// Red, green and blue bytes of 0 to 63, widened from 6 bits.
bool ReadVgaPalette(const std::string& bytes, ColorTable* table, std::string* reason);
// Whether bytes have the shape of one of them (size and value ranges alone).
bool LooksLikeBgr555(const std::string& bytes);
bool LooksLikeVga(const std::string& bytes);
// The file bytes; each channel rounded to the format's depth first.
std::string EncodeBgr555Palette(const ColorTable& table);
std::string EncodeVgaPalette(const ColorTable& table);

// "ASEF", version 1.0, then color blocks (RGB, CMYK or Gray; LAB is
// refused) and group blocks, which hold no colors. names (may be null) gets
// each color's name in UTF-8.
bool ReadAsePalette(const std::string& bytes, ColorTable* table, std::vector<std::string>* names,
                    std::string* reason);
// RGB colors; entry i named names[i] when there is one (UTF-8), else #RRGGBB.
std::string EncodeAsePalette(const ColorTable& table, const std::vector<std::string>* names);
// Whether bytes begin with the ASE signature.
bool HasAseSignature(const std::string& bytes);

#endif
