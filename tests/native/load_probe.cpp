// Loads one BMP file and says how it went in its exit status: 0 loaded,
// 1 refused with the image empty, 3 refused with something left behind.
// The huge-bitmap test runs it under a memory limit of its own.
#include "image/dib_image.h"

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    DibImage image;
    if (image.LoadFromFile(nullptr, argv[1])) return 0;
    BITMAPINFOHEADER header;
    bool emptied = image.IsEmpty() && image.EntryCount() == 0 && !image.Bits() &&
                   !image.CopyHeaders(nullptr, &header);
    return emptied ? 1 : 3;
}
