#include "cli/palette_input.h"

bool LoadPaletteInput(const RawPaletteChoice& named, const std::string& path, ColorTable* table,
                      PaletteFormat* format, std::string* reason)
{
    RawPaletteChoice raw = named;
    if (LoadAnyPalette(path.c_str(), table, format, reason, &raw)) return true;
    if (raw.undecided) *reason += "; give --in-format bgr555 or --in-format vga";
    return false;
}
