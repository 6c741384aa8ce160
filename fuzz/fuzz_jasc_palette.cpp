// Feeds arbitrary bytes to the JASC-PAL text palette reader.
#include "fuzz/palette_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPaletteReader(data, size, ReadJascPalette, PaletteFormat::Jasc, true);
    return 0;
}
