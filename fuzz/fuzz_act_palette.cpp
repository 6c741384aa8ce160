// Feeds arbitrary bytes to the Adobe Color Table reader.
#include "fuzz/palette_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPaletteReader(data, size, ReadActPalette, PaletteFormat::Act, false);
    return 0;
}
