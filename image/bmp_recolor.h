// Rewrites the color table of a BMP file without holding its pixels: the new
// headers and table are made in memory and the pixel rows are copied from the
// old file to the new one. The new file is byte for byte what LoadFromFile,
// SetColorTable and SaveToFile make of the same file and table.
#ifndef KORIN_IMAGE_BMP_RECOLOR_H
#define KORIN_IMAGE_BMP_RECOLOR_H

#include <cstdint>
#include <functional>

#include "platform/platform.h"

class ColorTable;
class FolderFlushes;

struct RecolorResult {
    enum Outcome {
        Done,
        NotLoaded,     // the input is not a file LoadFromFile reads
        NoTable,       // it has no color table
        TableRefused,  // the edited table does not fit (SetColorTable refuses it)
        NotWritten,    // the output could not be written; it is unchanged
    };
    Outcome outcome;
    uint32_t tableCount;  // TableRefused: entries of the edited table
    uint32_t bitCount;    // TableRefused: the bitmap's bits per pixel
};

// Takes the input's color table, lets edit change it, and writes the input
// with that table to output (which may be the input itself). dc is the
// device context sections are checked with, as LoadFromFile's; with flushes,
// the output folder's flush is left to the caller (see SafeFileWriter).
RecolorResult RecolorBmpFile(HDC dc, const char* input, const char* output,
                             const std::function<void(ColorTable&)>& edit, FolderFlushes* flushes);

#endif
