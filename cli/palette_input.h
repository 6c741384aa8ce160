// Palette files read by the commands that take --in-format.
#ifndef KORIN_CLI_PALETTE_INPUT_H
#define KORIN_CLI_PALETTE_INPUT_H

#include <string>

#include "palette/color_table.h"
#include "palette/palette_formats.h"

// LoadAnyPalette with raw colors read as --in-format named them; a refusal
// that naming their kind would answer says how to name it.
bool LoadPaletteInput(const RawPaletteChoice& named, const std::string& path, ColorTable* table,
                      PaletteFormat* format, std::string* reason);

#endif
