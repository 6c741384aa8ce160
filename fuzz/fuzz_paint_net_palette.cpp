// Feeds arbitrary bytes to the Paint.NET palette reader.
#include "fuzz/palette_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPaletteReader(data, size, ReadPaintNetPalette, PaletteFormat::PaintNet, true);
    return 0;
}
