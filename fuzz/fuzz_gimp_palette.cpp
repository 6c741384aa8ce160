// Feeds arbitrary bytes to the GIMP palette reader.
#include "fuzz/palette_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPaletteReader(data, size, ReadGimpPalette, PaletteFormat::Gimp, true);
    return 0;
}
