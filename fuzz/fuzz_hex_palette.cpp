// Feeds arbitrary bytes to the hex-list reader.
#include "fuzz/palette_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPaletteReader(data, size, ReadHexPalette, PaletteFormat::Hex, true);
    return 0;
}
