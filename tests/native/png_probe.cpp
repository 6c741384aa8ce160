// Reads one PNG file's structure and largest index through a file-backed
// source, as korin-cli does, and prints the index; exit status 0 when both
// succeeded. The memory test measures its peak resident size.
#include <cstdio>
#include <string>

#include "image/png_file.h"

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    SourceFile file;
    if (!file.Open(argv[1])) return 3;
    ByteSource source(file);
    PngStructure png;
    std::string reason;
    uint32_t largest = 0;
    if (!ReadPngStructure(source, &png, &reason) || !LargestPngIndex(source, png, &largest, &reason)) {
        std::printf("%s\n", reason.c_str());
        return 1;
    }
    std::printf("%u\n", largest);
    return 0;
}
